// The queue manager as the MQSC interpreter sees it: a narrow interface over
// queue and process definitions and the queue manager's attributes. The
// daemon implements it over its own objects; the tests implement it in memory.
//
// Attributes travel by IBM selector (MQIA_* / MQCA_*): the interpreter maps
// MQSC keywords to selectors and values, and the backend never sees MQSC.
//
// Contract for every operation:
//   - Names arrive as the user wrote them after MQSC's rules (unquoted text
//     folded to upper case), already checked for length and characters.
//   - The result is MQRC_NONE on success, otherwise the MQRC_* or MQRCCF_*
//     reason of the failure; the interpreter turns it into IBM's message.
//     The reasons the interpreter knows by name: MQRC_UNKNOWN_OBJECT_NAME or
//     MQRCCF_UNKNOWN_OBJECT_NAME (no such object), MQRCCF_OBJECT_ALREADY_EXISTS,
//     MQRCCF_OBJECT_WRONG_TYPE or MQRCCF_Q_WRONG_TYPE (the name belongs to an
//     object of another type), MQRC_OBJECT_IN_USE, MQRCCF_OBJECT_IN_USE or
//     MQRCCF_OBJECT_OPEN (someone has it open), MQRC_Q_NOT_EMPTY. Any other
//     reason (a value the backend refuses, say) is reported by number.
//   - The interpreter calls from one thread at a time and keeps no pointer to
//     anything the backend hands back.
#pragma once

#include <cmqc.h>

#include <string>
#include <vector>

#include "objects/status_record.h"
#include "pcf/pcf_format.h"

namespace mqemu::mqsc {

// One attribute value by selector. Strings may come back blank padded to
// their full field length; the interpreter trims them for display.
struct Attribute {
  Attribute() = default;
  Attribute(MQLONG selector, bool is_string, MQLONG number, std::string text, bool is_list = false,
            std::vector<std::string> texts = {})
      : selector(selector),
        is_string(is_string),
        number(number),
        text(std::move(text)),
        is_list(is_list),
        texts(std::move(texts)) {}

  MQLONG selector = 0;
  bool is_string = false;
  MQLONG number = 0;
  std::string text;
  bool is_list = false;            // with is_string: a list of names, in texts
  std::vector<std::string> texts;  // without trailing blanks
};

struct QueueObject {
  std::string name;
  MQLONG type = MQQT_LOCAL;  // MQQT_LOCAL, MQQT_MODEL, MQQT_ALIAS or MQQT_REMOTE
  std::vector<Attribute> attributes;
};

struct ProcessObject {
  std::string name;
  std::vector<Attribute> attributes;
};

struct NamelistObject {
  std::string name;
  std::vector<Attribute> attributes;
};

struct ChannelObject {
  std::string name;
  MQLONG type = 0;  // MQCHT_SENDER, MQCHT_RECEIVER or MQCHT_SVRCONN
  std::vector<Attribute> attributes;
};

class MqscBackend {
 public:
  virtual ~MqscBackend() = default;

  // Creates queue `name` of `type` (MQQT_LOCAL, MQQT_MODEL, MQQT_ALIAS or
  // MQQT_REMOTE)
  // with `changes` applied over the defaults of its type, or over the
  // attributes of queue `like` (which must have the same type) when like is
  // not empty. With replace, an existing queue of the same type is altered
  // by the changes instead. Fails with MQRCCF_OBJECT_ALREADY_EXISTS,
  // MQRCCF_OBJECT_WRONG_TYPE, MQRC_UNKNOWN_OBJECT_NAME (for like) or a
  // value error.
  virtual MQLONG DefineQueue(const std::string& name, MQLONG type, const std::string& like,
                             const std::vector<Attribute>& changes, bool replace) = 0;
  // Applies changes to existing queue `name` of `type`. Fails with
  // MQRC_UNKNOWN_OBJECT_NAME, MQRCCF_OBJECT_WRONG_TYPE or a value error.
  virtual MQLONG AlterQueue(const std::string& name, MQLONG type,
                            const std::vector<Attribute>& changes) = 0;
  // Deletes queue `name` of `type`; with purge a local queue goes even when
  // it holds messages. Fails with MQRC_UNKNOWN_OBJECT_NAME,
  // MQRCCF_OBJECT_WRONG_TYPE, MQRC_OBJECT_IN_USE or MQRC_Q_NOT_EMPTY.
  virtual MQLONG DeleteQueue(const std::string& name, MQLONG type, bool purge) = 0;
  // Removes every message from local queue `name`. Fails with
  // MQRC_UNKNOWN_OBJECT_NAME, MQRCCF_OBJECT_WRONG_TYPE or MQRC_OBJECT_IN_USE.
  virtual MQLONG ClearQueue(const std::string& name) = 0;
  // Fills *out with the queues whose names match `generic` (a plain name, or
  // a prefix ending in '*', "*" for all) and whose type is `type` (MQQT_ALL
  // for any), in name order, each with the values of those `selectors` that
  // apply to its type. No match is success with *out empty.
  virtual MQLONG ListQueues(const std::string& generic, MQLONG type,
                            const std::vector<MQLONG>& selectors,
                            std::vector<QueueObject>* out) = 0;

  // Fills *out with the queue manager's values of those `selectors` that it
  // has.
  virtual MQLONG QueueManagerAttributes(const std::vector<MQLONG>& selectors,
                                        std::vector<Attribute>* out) = 0;
  // The queue manager's platform (MQPL_*): which attributes it has.
  virtual MQLONG Platform() const = 0;
  // Changes the queue manager's attributes; none changes when one is
  // refused (the reason of the first refused).
  virtual MQLONG AlterQueueManager(const std::vector<Attribute>& changes) = 0;
  // Whether the queue manager answers: MQRC_NONE when it does.
  virtual MQLONG Ping() = 0;

  // Process definitions, with the same rules as the queue operations above.
  virtual MQLONG DefineProcess(const std::string& name, const std::string& like,
                               const std::vector<Attribute>& changes, bool replace) = 0;
  virtual MQLONG AlterProcess(const std::string& name, const std::vector<Attribute>& changes) = 0;
  virtual MQLONG DeleteProcess(const std::string& name) = 0;
  virtual MQLONG ListProcesses(const std::string& generic, const std::vector<MQLONG>& selectors,
                               std::vector<ProcessObject>* out) = 0;

  // Namelists, with the same rules as the queue operations above. A backend
  // without namelists fails each with MQRCCF_CFH_COMMAND_ERROR.
  virtual MQLONG DefineNamelist(const std::string& name, const std::string& like,
                                const std::vector<Attribute>& changes, bool replace) {
    (void)name, (void)like, (void)changes, (void)replace;
    return MQRCCF_CFH_COMMAND_ERROR;
  }
  virtual MQLONG AlterNamelist(const std::string& name, const std::vector<Attribute>& changes) {
    (void)name, (void)changes;
    return MQRCCF_CFH_COMMAND_ERROR;
  }
  virtual MQLONG DeleteNamelist(const std::string& name) {
    (void)name;
    return MQRCCF_CFH_COMMAND_ERROR;
  }
  virtual MQLONG ListNamelists(const std::string& generic, const std::vector<MQLONG>& selectors,
                               std::vector<NamelistObject>* out) {
    (void)generic, (void)selectors, (void)out;
    return MQRCCF_CFH_COMMAND_ERROR;
  }

  // Channels of `type` (MQCHT_*), with the same rules as the queue
  // operations above; MQRCCF_CHANNEL_NOT_FOUND for no such channel, and
  // MQRCCF_CHANNEL_TYPE_ERROR where IBM MQ says the type differs. A
  // backend without channels fails each with MQRCCF_CFH_COMMAND_ERROR.
  virtual MQLONG DefineChannel(const std::string& name, MQLONG type, const std::string& like,
                               const std::vector<Attribute>& changes, bool replace) {
    (void)name, (void)type, (void)like, (void)changes, (void)replace;
    return MQRCCF_CFH_COMMAND_ERROR;
  }
  virtual MQLONG AlterChannel(const std::string& name, MQLONG type,
                              const std::vector<Attribute>& changes) {
    (void)name, (void)type, (void)changes;
    return MQRCCF_CFH_COMMAND_ERROR;
  }
  virtual MQLONG DeleteChannel(const std::string& name) {
    (void)name;
    return MQRCCF_CFH_COMMAND_ERROR;
  }
  // `type` MQCHT_ALL for any.
  virtual MQLONG ListChannels(const std::string& generic, MQLONG type,
                              const std::vector<MQLONG>& selectors,
                              std::vector<ChannelObject>* out) {
    (void)generic, (void)type, (void)selectors, (void)out;
    return MQRCCF_CFH_COMMAND_ERROR;
  }

  // Carries out a status command (queue status, queue statistics, the queue
  // manager's status, connections) as the PCF command of query.command
  // does, adding its records to *out. A backend without status fails every
  // one with MQRCCF_CFH_COMMAND_ERROR.
  virtual MQLONG Status(const objects::StatusQuery& query,
                        std::vector<objects::StatusRecord>* out) {
    (void)query;
    (void)out;
    return MQRCCF_CFH_COMMAND_ERROR;
  }
};

}  // namespace mqemu::mqsc
