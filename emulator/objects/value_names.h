// The MQSC names of the values that attributes of several object types
// share: event switches, capabilities, monitoring, statistics and
// accounting levels. Each table lists a value's names as MQSC writes them.
#pragma once

#include <cmqc.h>

#include "objects/attribute_row.h"

namespace mqemu::objects {

constexpr MQLONG kMaxCount = 999999999;

// Events, capabilities and switches that MQSC calls ENABLED or DISABLED
// (MQEVR_*, MQCHAD_*, MQCHLA_*, MQCAP_*, MQMON_ENABLED, MQPSCLUS_*: all 0 and 1).
inline constexpr ValueName kDisabledEnabled[] = {{"DISABLED", 0}, {"ENABLED", 1}};
// Yes-or-no values (MQPER_*, MQDL_*, MQIMGRCOV_*, MQSSL_FIPS_*, ...: 0 and 1).
inline constexpr ValueName kNoYes[] = {{"NO", 0}, {"YES", 1}};
inline constexpr ValueName kOffOn[] = {{"OFF", MQMON_OFF}, {"ON", MQMON_ON}};
// Statistics and accounting of a queue: its own, or the queue manager's.
inline constexpr ValueName kQMgrOffOn[] = {
    {"QMGR", MQMON_Q_MGR}, {"OFF", MQMON_OFF}, {"ON", MQMON_ON}};
// Monitoring levels: of a queue or cluster-sender channel, which may
// follow the queue manager; and the queue manager's own, which may be
// left to each object (NONE).
inline constexpr ValueName kMonitoringOrQMgr[] = {{"QMGR", MQMON_Q_MGR},
                                                  {"OFF", MQMON_OFF},
                                                  {"LOW", MQMON_LOW},
                                                  {"MEDIUM", MQMON_MEDIUM},
                                                  {"HIGH", MQMON_HIGH}};
inline constexpr ValueName kMonitoringOrNone[] = {{"NONE", MQMON_NONE},
                                                  {"OFF", MQMON_OFF},
                                                  {"LOW", MQMON_LOW},
                                                  {"MEDIUM", MQMON_MEDIUM},
                                                  {"HIGH", MQMON_HIGH}};
// Cluster workload: whether puts use remote instances of a queue too.
inline constexpr ValueName kClusterUseQueue[] = {
    {"QMGR", MQCLWL_USEQ_AS_Q_MGR}, {"ANY", MQCLWL_USEQ_ANY}, {"LOCAL", MQCLWL_USEQ_LOCAL}};
// Media images for recovery (MQIMGRCOV_*), of a queue also as the queue
// manager says.
inline constexpr ValueName kImageRecovery[] = {
    {"NO", MQIMGRCOV_NO}, {"YES", MQIMGRCOV_YES}, {"QMGR", MQIMGRCOV_AS_Q_MGR}};

}  // namespace mqemu::objects
