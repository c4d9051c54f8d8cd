/* A client of the stand-in's client library that holds one connection to
 * the queue manager its argument names, through the channel that MQSERVER
 * names (the default server-connection channel without it), until its
 * standard input ends: for tests that look at connected clients. Prints
 * "connected", or "failed" and the reason and ends with status 1. Compiled
 * against IBM's cmqc.h alone. */
#include <cmqc.h>
#include <stdio.h>
#include <string.h>

int main(int argc, char** argv) {
  MQHCONN hconn = MQHC_UNUSABLE_HCONN;
  MQLONG cc = MQCC_FAILED, reason = MQRC_NONE;
  MQCHAR48 qmgr;
  memset(qmgr, 0, sizeof qmgr);
  if (argc > 1) {
    size_t length = strlen(argv[1]);
    memcpy(qmgr, argv[1], length < sizeof qmgr ? length : sizeof qmgr);
  }
  MQCONN(qmgr, &hconn, &cc, &reason);
  if (cc == MQCC_FAILED) {
    printf("failed %d\n", (int)reason);
    return 1;
  }
  printf("connected\n");
  fflush(stdout);
  while (getchar() != EOF) {
  }
  MQDISC(&hconn, &cc, &reason);
  return 0;
}
