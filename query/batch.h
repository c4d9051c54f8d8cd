// Many requests at once: to one queue manager or to several through one
// connection (a gateway that routes each to its target by name), every
// request put before the first answer is awaited, the replies gathered by
// their CorrelId as they come, each into its own request's answer.
#pragma once

#include <cmqc.h>

#include <functional>
#include <span>
#include <string>
#include <vector>

#include "admin/client.h"
#include "answer.h"

namespace query {

// One request and what came of it.
struct Job {
  Request request;         // its target queue manager is request.qmgr
  std::string data;        // the message
  const char* format;      // its Format
  bool put = false;        // the request was put: an answer is awaited
  admin::Error put_error;  // why it could not be put
  std::string msg_id;      // the request's MsgId: the CorrelId of its replies
  Answer answer;
};

// Puts the request of each job in turn to request.queue on request.qmgr
// (the connected queue manager when it is `gateway`). A job whose put fails
// keeps its put_error; the others are put all the same. Of several, each
// is put asynchronously (MQPMO_ASYNC_RESPONSE): a client over a network
// does not wait a round trip per put. Returns how many were put.
size_t PutAll(admin::Client& session, const std::string& gateway, std::span<Job> jobs);

// Gathers the replies of the jobs put, each taken into the answer of the
// job whose MsgId it carries as CorrelId (others are left aside), until
// every answer has ended or `deadline` passes; `progress` is called after
// each reply taken. Returns MQRC_NONE, or the reason a get failed for.
MQLONG GatherAnswers(admin::Client& session, std::span<Job> jobs, admin::Clock::time_point deadline,
                     const std::function<void()>& progress);

}  // namespace query
