// The namelist attribute table, in the order IBM MQ reports the attributes.
#include "objects/attribute_tables.h"
#include "qmgr/namelist.h"

namespace mqemu::objects {
namespace {

constexpr ValueName kDisposition[] = {{"QMGR", MQQSGD_Q_MGR}};
// What a namelist's names are, for the z/OS queue manager's checks.
constexpr ValueName kNamelistType[] = {{"NONE", MQNT_NONE},
                                       {"QUEUE", MQNT_Q},
                                       {"CLUSTER", MQNT_CLUSTER},
                                       {"AUTHINFO", MQNT_AUTH_INFO}};

using N = Namelist;
constexpr unsigned kN = kNamelistBit;

AttributeValue NameCount(const Namelist& n) {
  return NumberValue(static_cast<MQLONG>(n.names.size()));
}

constexpr NamelistRow kRows[] = {
    Text(MQCA_NAMELIST_NAME, "", &N::name, MQ_NAMELIST_NAME_LENGTH).Inquire(kN).Always(),
    KeptChoice<N>(MQIA_QSG_DISP, "", kDisposition, MQQSGD_Q_MGR).Inquire(kN).Always().Zos(),
    Text(MQCA_NAMELIST_DESC, "DESCR", &N::description, MQ_NAMELIST_DESC_LENGTH).For(kN),
    KeptChoice<N>(MQIA_NAMELIST_TYPE, "NLTYPE", kNamelistType, MQNT_NONE).For(kN).Zos(),
    Number<N>(MQIA_NAME_COUNT, "NAMCOUNT", nullptr, 0, MQNC_MAX_NAMELIST_NAME_COUNT)
        .Computed(NameCount)
        .Inquire(kN),
    NameList(MQCA_NAMES, "NAMES", &N::names, MQ_OBJECT_NAME_LENGTH, MQNC_MAX_NAMELIST_NAME_COUNT)
        .For(kN),
    Text(MQCA_ALTERATION_DATE, "ALTDATE", &N::alteration_date, MQ_DATE_LENGTH).Inquire(kN),
    Text(MQCA_ALTERATION_TIME, "ALTTIME", &N::alteration_time, MQ_TIME_LENGTH).Inquire(kN),
};

constexpr auto kKeywords = KeywordTable<KeywordCount(kRows)>(kRows);

}  // namespace

Rows<Namelist> NamelistRows() {
  return kRows;
}

std::span<const Keyword> NamelistKeywords() {
  return kKeywords;
}

}  // namespace mqemu::objects
