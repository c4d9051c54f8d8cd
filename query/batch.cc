// Putting many requests and gathering their answers by CorrelId.
#include "batch.h"

#include <map>

namespace query {

size_t PutAll(admin::Client& session, const std::string& gateway, std::span<Job> jobs) {
  size_t put = 0;
  for (Job& job : jobs) {
    admin::PutOptions options;
    // Many requests go without waiting for each put's answer: the answers
    // to the requests will tell.
    options.Queue(job.request.queue).Async(jobs.size() > 1);
    if (job.request.qmgr != gateway) options.QueueManager(job.request.qmgr);
    MQMD md;
    if (!session.Put(job.data, job.format, options, &md)) {
      job.put_error = session.error();
      continue;
    }
    job.put = true;
    job.msg_id.assign(reinterpret_cast<const char*>(md.MsgId), sizeof md.MsgId);
    ++put;
  }
  return put;
}

MQLONG GatherAnswers(admin::Client& session, std::span<Job> jobs, admin::Clock::time_point deadline,
                     const std::function<void()>& progress) {
  std::map<std::string, Job*> awaited;
  for (Job& job : jobs) {
    if (job.put) awaited.emplace(job.msg_id, &job);
  }
  if (awaited.empty()) return MQRC_NONE;
  // Takes one reply; true when no answer is awaited any more.
  auto take = [&](admin::Message& message) {
    auto found = awaited.find(message.CorrelId());
    if (found == awaited.end()) return false;  // a late reply of an answer already ended
    TakeReply(message, &found->second->answer);
    if (Ended(found->second->answer)) awaited.erase(found);
    progress();
    return awaited.empty();
  };
  const admin::Wait wait{.until = deadline};
  // Many answers are taken as the queue manager pushes them; one is got.
  const MQLONG reason = awaited.size() > 1 ? session.Consume(wait, take)
                                           : session.GetAnswer(wait, admin::Match::kAny, take);
  return reason == MQRC_NO_MSG_AVAILABLE ? MQRC_NONE : reason;
}

}  // namespace query
