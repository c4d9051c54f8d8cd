// An in-memory MqscBackend for the interpreter's tests: queues and processes
// in maps, attribute values by selector, with the reasons a queue manager
// gives for missing, duplicate, open or non-empty objects.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "mqsc/mqsc_backend.h"

namespace mqemu::mqsc {

class FakeBackend : public MqscBackend {
 public:
  struct Queue {
    MQLONG type = MQQT_LOCAL;
    std::map<MQLONG, Attribute> values;
    int depth = 0;
    bool open = false;
  };
  struct Process {
    std::map<MQLONG, Attribute> values;
  };

  FakeBackend();

  MQLONG DefineQueue(const std::string& name, MQLONG type, const std::string& like,
                     const std::vector<Attribute>& changes, bool replace) override;
  MQLONG AlterQueue(const std::string& name, MQLONG type,
                    const std::vector<Attribute>& changes) override;
  MQLONG DeleteQueue(const std::string& name, MQLONG type, bool purge) override;
  MQLONG ClearQueue(const std::string& name) override;
  MQLONG ListQueues(const std::string& generic, MQLONG type, const std::vector<MQLONG>& selectors,
                    std::vector<QueueObject>* out) override;
  MQLONG QueueManagerAttributes(const std::vector<MQLONG>& selectors,
                                std::vector<Attribute>* out) override;
  MQLONG Platform() const override { return platform; }
  MQLONG AlterQueueManager(const std::vector<Attribute>& changes) override;
  MQLONG Ping() override { return ping_reason; }
  MQLONG DefineProcess(const std::string& name, const std::string& like,
                       const std::vector<Attribute>& changes, bool replace) override;
  MQLONG AlterProcess(const std::string& name, const std::vector<Attribute>& changes) override;
  MQLONG DeleteProcess(const std::string& name) override;
  MQLONG ListProcesses(const std::string& generic, const std::vector<MQLONG>& selectors,
                       std::vector<ProcessObject>* out) override;

  std::map<std::string, Queue> queues;
  std::map<std::string, Process> processes;
  std::map<MQLONG, Attribute> qmgr;
  MQLONG ping_reason = MQRC_NONE;
  MQLONG platform = MQPL_UNIX;
  // The changes of the last define or alter, as the interpreter passed them.
  std::vector<Attribute> last_changes;
};

}  // namespace mqemu::mqsc
