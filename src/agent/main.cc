// The entry point of CSAGNT, the command server agent for IBM MQ.
#include "agent/startup.h"

int main(int argc, char** argv) {
  return RunAgent(argc, argv);
}
