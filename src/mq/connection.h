// The one connection to the queue manager: connecting with the agent's
// application name, learning the queue manager's own name and platform,
// the event handler that turns the end of the connection into a stop, and
// the opening of queues with an optional message consumer.
//
// ConnectQueueManager and OpenQueue run on the main thread during start-up,
// before consumption starts. QueueManagerEventHandler runs on IBM MQ's
// callback thread and touches only StopRequested.
#pragma once

#include <cmqc.h>

#include <cstdint>

// The application name the agent connects with.
inline constexpr char kAgentApplName[] = "Tovan Software CSAGNT";

// Loads the MQI (CSAG100E when it cannot be loaded), connects to qmname
// (empty: the default queue manager) with an MQCNO of version 7 carrying
// kAgentApplName, retrying once with version 1 on MQRC_CNO_ERROR (CSAG101E
// when both fail). Once connected it inquires the queue manager's name into
// qmname and its platform (z/OS: AF_ZOS and commandq "SYSTEM.COMMAND.INPUT")
// and registers QueueManagerEventHandler; failures of these steps are
// reported (CSAG102E, CSAG103E, CSAG199E) and keep the connection. Returns
// the connection handle, or MQHC_UNUSABLE_HCONN when there is none.
// Start-up stores the result in QMgrHconn before calling anything else here.
MQHCONN ConnectQueueManager();

// Opens queue `name` on QMgrHconn with `options`, DynamicQName tempqpfx.
// When `resolved_name` is given (room for 49 bytes) it receives the name of
// the queue IBM MQ resolved `name` to (for a model queue, the dynamic queue
// created; for an alias, its base queue), up to its first blank or NUL. When `consumer` is given it
// is registered with MQCB for whole messages, converted, outside syncpoint; a failed registration
// is reported (CSAG105E) and the handle still returned. Returns the object handle, or
// MQHO_UNUSABLE_HOBJ (CSAG104E) when the queue was not opened.
MQHOBJ OpenQueue(const char* name, char* resolved_name, MQLONG options, MQCB_FUNCTION* consumer);

// The event rules of a message consumer of queue `queue` (an event call of
// IBM MQ for that consumer): MQRC_GET_INHIBITED writes CSAG120E and requests
// a stop; any other reason but 0 writes CSAG199E and requests a stop, unless
// a stop was already requested. Both stops end the agent with a failure.
void HandleConsumerEvent(const MQCBC* context, const char* queue);

// The start that the agent's message consumers share: an event call goes to
// HandleConsumerEvent for `queue`, a call of any other type but a message
// removed from the queue is logged ("Calltype = %d"). Returns true for a
// message, after refreshing LastActivityTime and setting *length to its
// length (ReturnedLength, or DataLength when that is undefined).
bool ConsumedMessage(const MQCBC* context, PMQVOID get_options, const char* queue, int32_t* length);

// The connection's event handler: a connection-ending reason (2009, 2161,
// 2162, 2202, 2203) writes CSAG199E and requests a stop, once; every other
// call is ignored.
void MQENTRY QueueManagerEventHandler(MQHCONN hconn, PMQVOID message_descriptor,
                                      PMQVOID get_options, PMQVOID buffer, PMQCBC context);
