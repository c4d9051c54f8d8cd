// What a call to the stand-in costs with its client and its daemon pinned to
// the same CPU and to different CPUs, for each way its socket readers can
// wait (protocol/waiting.h): always polling 40 µs first (fixed), learning
// whether polling pays (adaptive, the default) and never polling. All six
// cells are measured in one run, interleaved, each as the median of 5 runs
// of MQINQ calls on one connection, so they share the machine's load.
//
//   build/bin/wait_bench [--calls N] [--runs N]
//
// Needs two CPUs. Each waiting policy has its own queue manager, started
// with MQEMU_SPIN_US set for it; each run is a child process that pins
// itself and the daemon's threads, then times its calls.
#include <cmqc.h>
#include <sched.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

struct Policy {
  const char* name;
  const char* spin_us;  // MQEMU_SPIN_US, or null for the default
  const char* qmgr;
};
constexpr Policy kPolicies[] = {{"fixed 40 µs poll (before)", "40", "QMFIXED"},
                                {"adaptive (after, default)", nullptr, "QMADAPT"},
                                {"never poll", "0", "QMNEVER"}};

void SetPolicy(const Policy& p) {
  if (p.spin_us) {
    ::setenv("MQEMU_SPIN_US", p.spin_us, 1);
  } else {
    ::unsetenv("MQEMU_SPIN_US");
  }
}

bool Tool(const std::string& args) {
  std::string cmd = std::string(MQEMU_TOOL) + " " + args + " >/dev/null";
  return std::system(cmd.c_str()) == 0;
}

void Pin(pid_t tid, int cpu) {
  cpu_set_t set;
  CPU_ZERO(&set);
  CPU_SET(cpu, &set);
  ::sched_setaffinity(tid, sizeof set, &set);
}

// Pins every thread of the daemon of qmgr (threads it starts later inherit).
void PinDaemon(const std::string& home, const std::string& qmgr, int cpu) {
  std::ifstream pid_file(home + "/" + qmgr + ".pid");
  long pid = 0;
  pid_file >> pid;
  std::error_code ec;
  for (const auto& task :
       std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/task", ec)) {
    Pin(static_cast<pid_t>(std::stol(task.path().filename())), cpu);
  }
}

// In a child process: nanoseconds per MQINQ over `calls` calls, or -1.
double TimeCalls(const Policy& p, int cpu, int calls) {
  SetPolicy(p);
  Pin(0, cpu);
  MQHCONN h = MQHC_UNUSABLE_HCONN;
  MQLONG cc, rc;
  char qmgr[MQ_Q_MGR_NAME_LENGTH] = {};
  std::strncpy(qmgr, p.qmgr, sizeof qmgr);
  MQCONN(qmgr, &h, &cc, &rc);
  if (cc == MQCC_FAILED) return -1;
  MQOD od = {MQOD_DEFAULT};
  od.ObjectType = MQOT_Q_MGR;
  MQHOBJ hobj = MQHO_UNUSABLE_HOBJ;
  MQOPEN(h, &od, MQOO_INQUIRE, &hobj, &cc, &rc);
  if (cc == MQCC_FAILED) return -1;
  MQLONG selector = MQIA_MAX_MSG_LENGTH, value = 0;
  auto inquire = [&] {
    MQINQ(h, hobj, 1, &selector, 1, &value, 0, nullptr, &cc, &rc);
    return cc != MQCC_FAILED;
  };
  for (int i = 0; i < calls / 10; ++i) inquire();
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < calls; ++i) {
    if (!inquire()) return -1;
  }
  double ns =
      std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count() /
      calls;
  MQDISC(&h, &cc, &rc);
  return ns;
}

double RunChild(const Policy& p, int cpu, int calls) {
  int fds[2];
  if (::pipe(fds) != 0) return -1;
  pid_t pid = ::fork();
  if (pid == 0) {
    ::close(fds[0]);
    double ns = TimeCalls(p, cpu, calls);
    ssize_t written = ::write(fds[1], &ns, sizeof ns);
    ::_exit(written == sizeof ns ? 0 : 1);
  }
  ::close(fds[1]);
  double ns = -1;
  if (::read(fds[0], &ns, sizeof ns) != sizeof ns) ns = -1;
  ::close(fds[0]);
  ::waitpid(pid, nullptr, 0);
  return ns;
}

std::string Cell(std::vector<double> ns) {
  std::sort(ns.begin(), ns.end());
  char text[64];
  std::snprintf(text, sizeof text, "%.1f (%.1f–%.1f)", ns[ns.size() / 2] / 1000, ns.front() / 1000,
                ns.back() / 1000);
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  int calls = 5000, runs = 5;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--calls") == 0) calls = std::max(100, std::atoi(argv[i + 1]));
    if (std::strcmp(argv[i], "--runs") == 0) runs = std::max(1, std::atoi(argv[i + 1]));
  }
  if (::sysconf(_SC_NPROCESSORS_ONLN) < 2) {
    std::fprintf(stderr, "wait_bench: needs two CPUs\n");
    return 1;
  }
  char tmpl[] = "/tmp/mqemu-wait-XXXXXX";
  std::string home = ::mkdtemp(tmpl);
  ::setenv("MQEMU_HOME", home.c_str(), 1);
  bool started = true;
  for (const Policy& p : kPolicies) {
    SetPolicy(p);
    started = Tool(std::string("start ") + p.qmgr) && started;
  }
  constexpr int kPlaces = 2;  // the client on CPU 0 (together) or CPU 1 (apart)
  std::vector<double> results[std::size(kPolicies)][kPlaces];
  for (int run = 0; started && run < runs; ++run) {
    for (size_t i = 0; i < std::size(kPolicies); ++i) {
      for (int place = 0; place < kPlaces; ++place) {
        PinDaemon(home, kPolicies[i].qmgr, 0);
        double ns = RunChild(kPolicies[i], place, calls);
        if (ns < 0) started = false;
        results[i][place].push_back(ns);
      }
    }
  }
  for (const Policy& p : kPolicies) Tool(std::string("stop ") + p.qmgr + " --immediate");
  std::filesystem::remove_all(home);
  if (!started) {
    std::fprintf(stderr, "wait_bench: a queue manager or a run failed\n");
    return 1;
  }
  double load[3] = {};
  ::getloadavg(load, 3);
  std::printf("MQINQ on one connection, µs per call: median of %d runs of %d calls (min–max)\n",
              runs, calls);
  std::printf("load average after: %.2f %.2f %.2f\n\n", load[0], load[1], load[2]);
  std::printf("| socket readers | client and daemon on one CPU | on different CPUs |\n");
  std::printf("|---|---|---|\n");
  for (size_t i = 0; i < std::size(kPolicies); ++i) {
    std::printf("| %s | %s | %s |\n", kPolicies[i].name, Cell(results[i][0]).c_str(),
                Cell(results[i][1]).c_str());
  }
  return 0;
}
