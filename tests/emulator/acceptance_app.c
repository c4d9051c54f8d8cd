/* An MQI application that knows nothing of the IBM MQ stand-in: it is
 * compiled against IBM's cmqc.h alone and linked with libmqm_r.so. It
 * connects to the default queue manager with MQCONNX, puts and gets on
 * APP.Q, consumes asynchronously with MQCB/MQCTL (suspending and resuming),
 * and asks the command server for Inquire Queue Manager and Inquire Queue
 * "*". Exit status 0 when everything behaved as IBM MQ documents. */
#include <cmqc.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

/* The few PCF structures needed, as IBM publishes them. */
typedef struct {
  MQLONG Type, StrucLength, Version, Command, MsgSeqNumber, Control, CompCode, Reason,
      ParameterCount;
} CFH;
typedef struct {
  MQLONG Type, StrucLength, Parameter, CodedCharSetId, StringLength;
} CFST_HEAD;
#define CFT_COMMAND 1
#define CFT_RESPONSE 2
#define CFT_INTEGER 3
#define CFT_STRING 4
#define CFT_INTEGER_LIST 5
#define CMD_INQUIRE_Q_MGR 2
#define CMD_INQUIRE_Q 13
#define IACF_Q_ATTRS 1002
#define IACF_ALL 1009

static int failures = 0;
#define CHECK(cond, ...)              \
  do {                                \
    if (!(cond)) {                    \
      printf("FAILED: " __VA_ARGS__); \
      printf("\n");                   \
      ++failures;                     \
    }                                 \
  } while (0)

static volatile int consumed = 0;
static volatile int last_length = 0;

static void MQENTRY Consume(MQHCONN hconn, PMQVOID md, PMQVOID gmo, PMQVOID buffer, PMQCBC cbc) {
  (void)hconn;
  (void)md;
  (void)gmo;
  (void)buffer;
  if (cbc->CallType == MQCBCT_MSG_REMOVED) {
    last_length = cbc->DataLength;
    __atomic_add_fetch(&consumed, 1, __ATOMIC_SEQ_CST);
  }
}

static void Pause(int ms) {
  struct timespec ts = {0, ms * 1000000L};
  nanosleep(&ts, NULL);
}

static int WaitConsumed(int n) {
  for (int i = 0; i < 500 && __atomic_load_n(&consumed, __ATOMIC_SEQ_CST) < n; ++i) Pause(10);
  return __atomic_load_n(&consumed, __ATOMIC_SEQ_CST);
}

static MQHOBJ OpenQueue(MQHCONN hconn, const char* name, MQLONG options, char* opened) {
  MQOD od = {MQOD_DEFAULT};
  MQHOBJ hobj = MQHO_UNUSABLE_HOBJ;
  MQLONG cc, rc;
  strncpy(od.ObjectName, name, MQ_Q_NAME_LENGTH - 1);
  strcpy(od.DynamicQName, "ACCEPT.REPLY.*");
  MQOPEN(hconn, &od, options, &hobj, &cc, &rc);
  CHECK(cc == MQCC_OK, "MQOPEN %s reason %d", name, (int)rc);
  if (opened) memcpy(opened, od.ObjectName, MQ_Q_NAME_LENGTH);
  return hobj;
}

static void PutText(MQHCONN hconn, MQHOBJ hobj, const char* text) {
  MQMD md = {MQMD_DEFAULT};
  MQPMO pmo = {MQPMO_DEFAULT};
  MQLONG cc, rc;
  pmo.Options = MQPMO_NO_SYNCPOINT;
  memcpy(md.Format, MQFMT_STRING, MQ_FORMAT_LENGTH);
  MQPUT(hconn, hobj, &md, &pmo, (MQLONG)strlen(text), (PMQVOID)text, &cc, &rc);
  CHECK(cc == MQCC_OK, "MQPUT reason %d", (int)rc);
}

static MQLONG Request(MQHCONN hconn, MQHOBJ commands, const char* reply_q, const void* pcf,
                      MQLONG length) {
  MQMD md = {MQMD_DEFAULT};
  MQPMO pmo = {MQPMO_DEFAULT};
  MQLONG cc, rc;
  memcpy(md.Format, MQFMT_ADMIN, MQ_FORMAT_LENGTH);
  md.MsgType = MQMT_REQUEST;
  memcpy(md.ReplyToQ, reply_q, MQ_Q_NAME_LENGTH);
  pmo.Options = MQPMO_NO_SYNCPOINT;
  MQPUT(hconn, commands, &md, &pmo, length, (PMQVOID)pcf, &cc, &rc);
  return rc;
}

/* Gets the next reply into buffer; returns its length or -1. */
static MQLONG GetReply(MQHCONN hconn, MQHOBJ replies, char* buffer, MQLONG size) {
  MQMD md = {MQMD_DEFAULT};
  MQGMO gmo = {MQGMO_DEFAULT};
  MQLONG length = 0, cc, rc;
  gmo.Options = MQGMO_WAIT | MQGMO_NO_SYNCPOINT | MQGMO_CONVERT;
  gmo.WaitInterval = 5000;
  MQGET(hconn, replies, &md, &gmo, size, buffer, &length, &cc, &rc);
  if (cc != MQCC_OK) return -1;
  CHECK(md.MsgType == MQMT_REPLY, "reply MsgType %d", (int)md.MsgType);
  CHECK(memcmp(md.Format, MQFMT_ADMIN, 8) == 0, "reply Format");
  return length;
}

int main(void) {
  MQCNO cno = {MQCNO_DEFAULT};
  MQCHAR48 qmgr = "";
  MQHCONN hconn = MQHC_UNUSABLE_HCONN, other = MQHC_UNUSABLE_HCONN;
  MQLONG cc, rc;
  char buffer[65536];
  cno.Version = MQCNO_VERSION_7;
  strcpy(cno.ApplName, "acceptance application");
  MQCONNX(qmgr, &cno, &hconn, &cc, &rc);
  CHECK(cc == MQCC_OK, "MQCONNX reason %d", (int)rc);
  if (cc != MQCC_OK) return 1;
  MQCONNX(qmgr, &cno, &other, &cc, &rc);
  CHECK(cc == MQCC_OK, "second MQCONNX reason %d", (int)rc);

  /* Put and get. */
  MQHOBJ app = OpenQueue(hconn, "APP.Q", MQOO_OUTPUT | MQOO_INPUT_SHARED, NULL);
  PutText(hconn, app, "hello from an MQI application");
  {
    MQMD md = {MQMD_DEFAULT};
    MQGMO gmo = {MQGMO_DEFAULT};
    MQLONG length = 0;
    gmo.Options = MQGMO_NO_SYNCPOINT;
    MQGET(hconn, app, &md, &gmo, sizeof buffer, buffer, &length, &cc, &rc);
    CHECK(cc == MQCC_OK && length == 29 && memcmp(buffer, "hello from an MQI application", 29) == 0,
          "MQGET reason %d length %d", (int)rc, (int)length);
    CHECK(memcmp(md.MsgId, "AMQ QM1", 7) == 0, "MsgId does not begin AMQ QM1");
  }

  /* Asynchronous consumption with suspend and resume. */
  {
    MQCBD cbd = {MQCBD_DEFAULT};
    MQMD md = {MQMD_DEFAULT};
    MQGMO gmo = {MQGMO_DEFAULT};
    MQCTLO ctlo = {MQCTLO_DEFAULT};
    MQHOBJ out = OpenQueue(other, "APP.Q", MQOO_OUTPUT, NULL);
    cbd.CallbackFunction = (MQPTR)Consume;
    cbd.MaxMsgLength = MQCBD_FULL_MSG_LENGTH;
    gmo.Options = MQGMO_NO_SYNCPOINT | MQGMO_CONVERT;
    MQCB(hconn, MQOP_REGISTER, &cbd, app, &md, &gmo, &cc, &rc);
    CHECK(cc == MQCC_OK, "MQCB reason %d", (int)rc);
    MQCTL(hconn, MQOP_START, &ctlo, &cc, &rc);
    CHECK(cc == MQCC_OK, "MQCTL START reason %d", (int)rc);
    for (int i = 0; i < 5; ++i) PutText(other, out, "async message");
    CHECK(WaitConsumed(5) == 5, "consumed %d of 5", consumed);
    CHECK(last_length == 13, "DataLength %d", last_length);
    MQCTL(hconn, MQOP_SUSPEND, &ctlo, &cc, &rc);
    CHECK(cc == MQCC_OK, "MQCTL SUSPEND reason %d", (int)rc);
    PutText(hconn, app, "put while suspended");
    Pause(50);
    CHECK(consumed == 5, "a callback ran while suspended");
    MQCTL(hconn, MQOP_RESUME, &ctlo, &cc, &rc);
    CHECK(cc == MQCC_OK, "MQCTL RESUME reason %d", (int)rc);
    CHECK(WaitConsumed(6) == 6, "consumed %d of 6 after resume", consumed);
    MQCTL(hconn, MQOP_STOP, &ctlo, &cc, &rc);
    CHECK(cc == MQCC_OK, "MQCTL STOP reason %d", (int)rc);
    printf("consumed %d messages asynchronously\n", consumed);
  }

  /* PCF requests to the command server. */
  {
    char reply_q[MQ_Q_NAME_LENGTH];
    MQHOBJ replies = OpenQueue(hconn, "SYSTEM.DEFAULT.MODEL.QUEUE", MQOO_INPUT_EXCLUSIVE, reply_q);
    MQHOBJ commands = OpenQueue(hconn, "SYSTEM.ADMIN.COMMAND.QUEUE", MQOO_OUTPUT, NULL);
    CFH inquire_qmgr = {CFT_COMMAND, 36, 1, CMD_INQUIRE_Q_MGR, 1, 1, 0, 0, 0};
    CHECK(Request(hconn, commands, reply_q, &inquire_qmgr, sizeof inquire_qmgr) == MQRC_NONE,
          "put Inquire Queue Manager");
    MQLONG length = GetReply(hconn, replies, buffer, sizeof buffer);
    CFH reply;
    CHECK(length >= 36, "no Inquire Queue Manager reply");
    if (length >= 36) {
      memcpy(&reply, buffer, sizeof reply);
      CHECK(reply.Type == CFT_RESPONSE && reply.Command == CMD_INQUIRE_Q_MGR &&
                reply.MsgSeqNumber == 1 && reply.Control == 1 && reply.CompCode == 0,
            "Inquire Queue Manager reply header");
      MQLONG offset = 36;
      int found = 0;
      for (MQLONG i = 0; i < reply.ParameterCount && offset + 16 <= length; ++i) {
        CFST_HEAD p;
        memcpy(&p, buffer + offset, sizeof p);
        if (p.Type == CFT_STRING && p.Parameter == MQCA_Q_MGR_NAME) {
          found = p.StringLength == 48 && memcmp(buffer + offset + 20, "QM1 ", 4) == 0;
          printf("queue manager name: %.48s\n", buffer + offset + 20);
        }
        offset += p.StrucLength;
      }
      CHECK(found, "MQCA_Q_MGR_NAME not in the reply at its full length");
    }
    struct {
      CFH h;
      CFST_HEAD name_head;
      char name[4];
      MQLONG attrs[5];
    } inquire_q = {{CFT_COMMAND, 36, 1, CMD_INQUIRE_Q, 1, 1, 0, 0, 2},
                   {CFT_STRING, 24, MQCA_Q_NAME, 0, 1},
                   {'*', 0, 0, 0},
                   {CFT_INTEGER_LIST, 20, IACF_Q_ATTRS, 1, IACF_ALL}};
    CHECK(Request(hconn, commands, reply_q, &inquire_q, sizeof inquire_q) == MQRC_NONE,
          "put Inquire Queue");
    int replies_seen = 0, last = 0;
    while (!last && (length = GetReply(hconn, replies, buffer, sizeof buffer)) >= 36) {
      memcpy(&reply, buffer, sizeof reply);
      ++replies_seen;
      CHECK(reply.MsgSeqNumber == replies_seen, "MsgSeqNumber %d", (int)reply.MsgSeqNumber);
      CHECK(reply.Type == CFT_RESPONSE && reply.CompCode == 0, "Inquire Queue reply");
      last = reply.Control == 1;
      printf("queue: %.48s\n", buffer + 36 + 20);
    }
    CHECK(last && replies_seen >= 6, "%d Inquire Queue replies, last %d", replies_seen, last);
  }
  MQDISC(&other, &cc, &rc);
  MQDISC(&hconn, &cc, &rc);
  CHECK(cc == MQCC_OK, "MQDISC reason %d", (int)rc);
  printf(failures ? "acceptance: %d failure(s)\n" : "acceptance: all passed\n", failures);
  return failures ? 1 : 0;
}
