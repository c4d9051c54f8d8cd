// Defining and altering queues, processes, namelists and channels from a list of attribute
// values by selector: the one code behind the command server's Create and
// Change commands and the mqemu tool's define and define-process
// subcommands.
#pragma once

#include <cmqc.h>

#include <string>
#include <vector>

#include "mqsc/mqsc_backend.h"
#include "qmgr/queue_manager.h"

namespace mqemu {

// One attribute value by selector: the same record that the MQSC
// interpreter hands its backend.
using AttributeChange = mqsc::Attribute;

struct DefinitionResult {
  MQLONG reason = MQRC_NONE;  // MQRC_* or MQRCCF_* of the failure, or 0
  MQLONG bad_parameter = 0;   // the selector in error, when there is one
};

// Lock held. Creates queue `name` of `type` (local, model, alias or remote)
// with the changes applied over the defaults. With replace, an existing queue
// of the same type is altered instead. Fails with
// MQRCCF_OBJECT_ALREADY_EXISTS, MQRCCF_OBJECT_WRONG_TYPE or a value error.
DefinitionResult DefineQueue(QueueManager& qm, const std::string& name, MQLONG type,
                             const std::vector<AttributeChange>& changes, bool replace);

// Lock held. Alters an existing queue; MQRC_UNKNOWN_OBJECT_NAME when there is
// none, MQRCCF_Q_WRONG_TYPE when type is given (not 0) and differs.
DefinitionResult AlterQueue(QueueManager& qm, const std::string& name, MQLONG type,
                            const std::vector<AttributeChange>& changes);

// Lock held. Creates process definition `name` with the changes applied;
// with replace an existing one is altered instead. Fails
// with MQRCCF_OBJECT_ALREADY_EXISTS, MQRCCF_OBJECT_NAME_ERROR or a value
// error.
DefinitionResult DefineProcess(QueueManager& qm, const std::string& name,
                               const std::vector<AttributeChange>& changes, bool replace);

// Lock held. Alters an existing process definition; MQRC_UNKNOWN_OBJECT_NAME
// when there is none.
DefinitionResult AlterProcess(QueueManager& qm, const std::string& name,
                              const std::vector<AttributeChange>& changes);

// Lock held. Creates namelist `name` with the changes applied; with replace
// an existing one is altered instead. Fails as DefineProcess does.
DefinitionResult DefineNamelist(QueueManager& qm, const std::string& name,
                                const std::vector<AttributeChange>& changes, bool replace);

// Lock held. Alters an existing namelist; MQRC_UNKNOWN_OBJECT_NAME when there
// is none.
DefinitionResult AlterNamelist(QueueManager& qm, const std::string& name,
                               const std::vector<AttributeChange>& changes);

// Lock held. Creates channel `name` of `type` (MQCHT_SENDER, MQCHT_RECEIVER
// or MQCHT_SVRCONN) with the changes applied over the attributes of the
// default channel of its type (SYSTEM.DEF.SENDER, ...). With replace an
// existing channel of the type is altered instead. Fails with
// MQRCCF_CHANNEL_NAME_ERROR, MQRCCF_CHANNEL_TYPE_ERROR (a type the stand-in
// does not define, or another than the existing channel's),
// MQRCCF_OBJECT_ALREADY_EXISTS, MQRCCF_WRONG_CHANNEL_TYPE (an attribute
// that channels of the type do not have) or a value error.
DefinitionResult DefineChannel(QueueManager& qm, const std::string& name, MQLONG type,
                               const std::vector<AttributeChange>& changes, bool replace);

// Lock held. Alters an existing channel of `type`: MQRCCF_CHANNEL_NOT_FOUND
// when there is none, MQRCCF_CHANNEL_TYPE_ERROR when it has another type.
DefinitionResult AlterChannel(QueueManager& qm, const std::string& name, MQLONG type,
                              const std::vector<AttributeChange>& changes);

// Lock held. Changes attributes of the queue manager (MaxHandles,
// MaxMsgLength, ...); nothing changes when one of them is refused. On z/OS
// MaxMsgLength is fixed: a change of it fails with MQRCCF_CFIN_PARM_ID_ERROR.
DefinitionResult AlterQueueManager(QueueManager& qm, const std::vector<AttributeChange>& changes);

// Lock held. The attributes of an existing queue or process that a new
// definition LIKE it takes over: every settable one, strings trimmed.
std::vector<AttributeChange> SettableAttributes(const QueueManager& qm, const Queue& q);
std::vector<AttributeChange> SettableAttributes(const QueueManager& qm, const Process& p);
std::vector<AttributeChange> SettableAttributes(const QueueManager& qm, const Namelist& n);
std::vector<AttributeChange> SettableAttributes(const QueueManager& qm, const ChannelDefinition& c);

// Lock held. Removes every message of local queue `name`. Returns 0, or
// MQRC_UNKNOWN_OBJECT_NAME, MQRCCF_Q_WRONG_TYPE, MQRCCF_OBJECT_OPEN.
MQLONG ClearLocalQueue(QueueManager& qm, const std::string& name);

}  // namespace mqemu
