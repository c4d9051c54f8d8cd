// The MQSC interpreter's view of this queue manager: its queues, processes,
// namelists, channels and attributes, through the same definition code as the PCF commands and
// the mqemu tool. Used by the Escape command, MQSC text requests on z/OS
// and `mqemu mqsc`.
#pragma once

#include "mqsc/mqsc_backend.h"
#include "qmgr/queue_manager.h"

namespace mqemu {

// Each call takes the queue manager's lock for itself; call without it.
class QueueManagerMqscBackend final : public mqsc::MqscBackend {
 public:
  explicit QueueManagerMqscBackend(QueueManager& qm) : qm_(qm) {}

  MQLONG DefineQueue(const std::string& name, MQLONG type, const std::string& like,
                     const std::vector<mqsc::Attribute>& changes, bool replace) override;
  MQLONG AlterQueue(const std::string& name, MQLONG type,
                    const std::vector<mqsc::Attribute>& changes) override;
  MQLONG DeleteQueue(const std::string& name, MQLONG type, bool purge) override;
  MQLONG ClearQueue(const std::string& name) override;
  MQLONG ListQueues(const std::string& generic, MQLONG type, const std::vector<MQLONG>& selectors,
                    std::vector<mqsc::QueueObject>* out) override;
  MQLONG QueueManagerAttributes(const std::vector<MQLONG>& selectors,
                                std::vector<mqsc::Attribute>* out) override;
  MQLONG Platform() const override { return qm_.platform; }
  MQLONG AlterQueueManager(const std::vector<mqsc::Attribute>& changes) override;
  MQLONG Ping() override { return MQRC_NONE; }
  MQLONG DefineProcess(const std::string& name, const std::string& like,
                       const std::vector<mqsc::Attribute>& changes, bool replace) override;
  MQLONG AlterProcess(const std::string& name,
                      const std::vector<mqsc::Attribute>& changes) override;
  MQLONG DeleteProcess(const std::string& name) override;
  MQLONG ListProcesses(const std::string& generic, const std::vector<MQLONG>& selectors,
                       std::vector<mqsc::ProcessObject>* out) override;
  MQLONG DefineNamelist(const std::string& name, const std::string& like,
                        const std::vector<mqsc::Attribute>& changes, bool replace) override;
  MQLONG AlterNamelist(const std::string& name,
                       const std::vector<mqsc::Attribute>& changes) override;
  MQLONG DeleteNamelist(const std::string& name) override;
  MQLONG ListNamelists(const std::string& generic, const std::vector<MQLONG>& selectors,
                       std::vector<mqsc::NamelistObject>* out) override;
  MQLONG DefineChannel(const std::string& name, MQLONG type, const std::string& like,
                       const std::vector<mqsc::Attribute>& changes, bool replace) override;
  MQLONG AlterChannel(const std::string& name, MQLONG type,
                      const std::vector<mqsc::Attribute>& changes) override;
  MQLONG DeleteChannel(const std::string& name) override;
  MQLONG ListChannels(const std::string& generic, MQLONG type, const std::vector<MQLONG>& selectors,
                      std::vector<mqsc::ChannelObject>* out) override;
  MQLONG Status(const objects::StatusQuery& query,
                std::vector<objects::StatusRecord>* out) override;

 private:
  QueueManager& qm_;
};

}  // namespace mqemu
