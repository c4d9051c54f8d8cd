/* An MQI application written as IBM MQ documents the calls, compiled against
 * IBM's cmqc.h alone and linked with libmqm_r.so; it knows nothing of the
 * stand-in. Each family of calls is one run, named by the argument:
 *
 *   browse      browse cursors, the message under the cursor, browsing with a
 *               wait and through a consumer
 *   properties  message handles and properties: set, put, get, inquire by
 *               wildcard with conversion, delete, an MQRFH2 for a getter
 *               without a handle, MQBUFMH and MQMHBUF
 *   consumer    consumers called when their wait interval passes, MQCTL in
 *               the orders IBM MQ accepts and refuses
 *   mqset       MQSET all or nothing, of every attribute it may set
 *   reports     confirm on arrival and delivery, expiry, exceptions, and the
 *               command server's request with reports asked for
 *
 * It expects the default queue manager QM1 with the local queues APP.Q and
 * REPLY.Q and the alias APP.ALIAS of APP.Q; for reports also QM2 running.
 * Exit status 0 when everything behaved as IBM MQ documents. */
#include <cmqc.h>
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

static int failures = 0;
#define CHECK(cond, ...)              \
  do {                                \
    if (!(cond)) {                    \
      printf("FAILED: " __VA_ARGS__); \
      printf("\n");                   \
      ++failures;                     \
    }                                 \
  } while (0)
#define EXPECT_RC(rc, want, what) \
  CHECK((rc) == (want), "%s: reason %d, expected %d", what, (int)(rc), (int)(want))

static MQHCONN hconn = MQHC_UNUSABLE_HCONN;

static void Pause(int ms) {
  struct timespec ts = {ms / 1000, (ms % 1000) * 1000000L};
  nanosleep(&ts, NULL);
}

static MQHCONN Connect(void) {
  MQHCONN h = MQHC_UNUSABLE_HCONN;
  MQLONG cc, rc;
  MQCONN((PMQCHAR) "", &h, &cc, &rc);
  CHECK(cc == MQCC_OK, "MQCONN reason %d", (int)rc);
  return h;
}

static MQHOBJ Open(MQHCONN h, const char* name, const char* qmgr, MQLONG options) {
  MQOD od = {MQOD_DEFAULT};
  MQHOBJ hobj = MQHO_UNUSABLE_HOBJ;
  MQLONG cc, rc;
  memcpy(od.ObjectName, name, strlen(name));
  if (qmgr) memcpy(od.ObjectQMgrName, qmgr, strlen(qmgr));
  MQOPEN(h, &od, options, &hobj, &cc, &rc);
  CHECK(cc == MQCC_OK, "MQOPEN %s reason %d", name, (int)rc);
  return hobj;
}

/* Puts text; md (if given) is used and completed. Returns the reason. */
static MQLONG PutText(MQHCONN h, MQHOBJ hobj, const char* text, MQMD* md) {
  MQMD local = {MQMD_DEFAULT};
  MQPMO pmo = {MQPMO_DEFAULT};
  MQLONG cc, rc;
  if (!md) md = &local;
  memcpy(md->Format, MQFMT_STRING, MQ_FORMAT_LENGTH);
  pmo.Options = MQPMO_NO_SYNCPOINT;
  MQPUT(h, hobj, md, &pmo, (MQLONG)strlen(text), (PMQVOID)text, &cc, &rc);
  return rc;
}

/* MQGET with options into buffer (NUL-terminated); md (if given) selects
 * by its identifiers and receives the descriptor. Returns the reason. */
static MQLONG Get(MQHCONN h, MQHOBJ hobj, MQLONG options, MQLONG match, MQMD* md, char* buffer,
                  MQLONG size, MQLONG* length) {
  MQMD local = {MQMD_DEFAULT};
  MQGMO gmo = {MQGMO_DEFAULT};
  MQLONG cc, rc, got = 0;
  if (!md) md = &local;
  gmo.Version = MQGMO_VERSION_2;
  gmo.Options = options | MQGMO_FAIL_IF_QUIESCING;
  gmo.MatchOptions = match;
  gmo.WaitInterval = (options & MQGMO_WAIT) ? 5000 : 0;
  MQGET(h, hobj, md, &gmo, size - 1, buffer, &got, &cc, &rc);
  buffer[cc == MQCC_FAILED ? 0 : (got < size - 1 ? got : size - 1)] = 0;
  if (length) *length = got;
  return rc;
}

static MQLONG Depth(MQHCONN h, const char* queue) {
  MQHOBJ hobj = Open(h, queue, NULL, MQOO_INQUIRE);
  MQLONG selector = MQIA_CURRENT_Q_DEPTH, depth = -1, cc, rc;
  MQINQ(h, hobj, 1, &selector, 1, &depth, 0, NULL, &cc, &rc);
  MQCLOSE(h, &hobj, MQCO_NONE, &cc, &rc);
  return depth;
}

/* Empties a queue. */
static void Drain(MQHCONN h, const char* queue) {
  MQHOBJ hobj = Open(h, queue, NULL, MQOO_INPUT_SHARED);
  char buffer[4096];
  while (Get(h, hobj, MQGMO_ACCEPT_TRUNCATED_MSG, 0, NULL, buffer, sizeof buffer, NULL) !=
         MQRC_NO_MSG_AVAILABLE) {
  }
  MQLONG cc, rc;
  MQCLOSE(h, &hobj, MQCO_NONE, &cc, &rc);
}

/* ---- browse ---------------------------------------------------------- */

static int browsed = 0;
static void MQENTRY BrowseConsumer(MQHCONN h, PMQVOID md, PMQVOID gmo, PMQVOID buffer, PMQCBC cbc) {
  (void)h, (void)md, (void)gmo, (void)buffer;
  if (cbc->CallType == MQCBCT_MSG_NOT_REMOVED) __atomic_add_fetch(&browsed, 1, __ATOMIC_SEQ_CST);
}

static void* PutLater(void* queue) {
  MQHCONN other = Connect();
  MQHOBJ out = Open(other, (const char*)queue, NULL, MQOO_OUTPUT);
  Pause(100);
  PutText(other, out, "late", NULL);
  MQLONG cc, rc;
  MQDISC(&other, &cc, &rc);
  return NULL;
}

static void Browse(void) {
  char text[256];
  MQHOBJ out = Open(hconn, "APP.Q", NULL, MQOO_OUTPUT);
  MQMD third = {MQMD_DEFAULT};
  PutText(hconn, out, "one", NULL);
  PutText(hconn, out, "two", NULL);
  PutText(hconn, out, "three", &third);
  MQHOBJ in = Open(hconn, "APP.Q", NULL, MQOO_BROWSE | MQOO_INPUT_SHARED);
  MQLONG rc;

  /* Three browsed, then the second taken from under the cursor. */
  EXPECT_RC(Get(hconn, in, MQGMO_BROWSE_FIRST, 0, NULL, text, sizeof text, NULL), MQRC_NONE,
            "BROWSE_FIRST");
  CHECK(strcmp(text, "one") == 0, "browsed first '%s'", text);
  EXPECT_RC(Get(hconn, in, MQGMO_BROWSE_NEXT, 0, NULL, text, sizeof text, NULL), MQRC_NONE,
            "BROWSE_NEXT");
  CHECK(strcmp(text, "two") == 0, "browsed second '%s'", text);
  EXPECT_RC(Get(hconn, in, MQGMO_MSG_UNDER_CURSOR, 0, NULL, text, sizeof text, NULL), MQRC_NONE,
            "MSG_UNDER_CURSOR");
  CHECK(strcmp(text, "two") == 0, "got under the cursor '%s'", text);
  EXPECT_RC(Get(hconn, in, MQGMO_BROWSE_MSG_UNDER_CURSOR, 0, NULL, text, sizeof text, NULL),
            MQRC_NO_MSG_UNDER_CURSOR, "the cursor's message is gone");
  EXPECT_RC(Get(hconn, in, MQGMO_BROWSE_NEXT, 0, NULL, text, sizeof text, NULL), MQRC_NONE,
            "BROWSE_NEXT after the get");
  CHECK(strcmp(text, "three") == 0, "browsed third '%s'", text);
  EXPECT_RC(Get(hconn, in, MQGMO_BROWSE_NEXT, 0, NULL, text, sizeof text, NULL),
            MQRC_NO_MSG_AVAILABLE, "past the last message");
  CHECK(Depth(hconn, "APP.Q") == 2, "depth %d after browsing", (int)Depth(hconn, "APP.Q"));

  /* The cursor's message browsed again, a truncated browse moves the
   * cursor, and a browse selects by MsgId. */
  EXPECT_RC(Get(hconn, in, MQGMO_BROWSE_FIRST, 0, NULL, text, 2, NULL), MQRC_TRUNCATED_MSG_FAILED,
            "truncated BROWSE_FIRST");
  EXPECT_RC(Get(hconn, in, MQGMO_BROWSE_MSG_UNDER_CURSOR, 0, NULL, text, sizeof text, NULL),
            MQRC_NONE, "BROWSE_MSG_UNDER_CURSOR");
  CHECK(strcmp(text, "one") == 0, "under the cursor '%s'", text);
  MQMD select = {MQMD_DEFAULT};
  memcpy(select.MsgId, third.MsgId, sizeof select.MsgId);
  EXPECT_RC(Get(hconn, in, MQGMO_BROWSE_FIRST, MQMO_MATCH_MSG_ID, &select, text, sizeof text, NULL),
            MQRC_NONE, "BROWSE_FIRST by MsgId");
  CHECK(strcmp(text, "three") == 0, "browsed by MsgId '%s'", text);

  /* A browse that waits sees a message put meanwhile. */
  pthread_t putter;
  pthread_create(&putter, NULL, PutLater, (void*)"APP.Q");
  EXPECT_RC(Get(hconn, in, MQGMO_BROWSE_NEXT | MQGMO_WAIT, 0, NULL, text, sizeof text, NULL),
            MQRC_NONE, "BROWSE_NEXT with a wait");
  CHECK(strcmp(text, "late") == 0, "browsed after the wait '%s'", text);
  pthread_join(putter, NULL);

  /* Refusals. */
  MQHOBJ input_only = Open(hconn, "APP.Q", NULL, MQOO_INPUT_SHARED);
  EXPECT_RC(Get(hconn, input_only, MQGMO_BROWSE_FIRST, 0, NULL, text, sizeof text, NULL),
            MQRC_NOT_OPEN_FOR_BROWSE, "browse without MQOO_BROWSE");
  EXPECT_RC(Get(hconn, in, MQGMO_BROWSE_FIRST | MQGMO_SYNCPOINT, 0, NULL, text, sizeof text, NULL),
            MQRC_OPTIONS_ERROR, "browse under syncpoint");
  MQHOBJ fresh = Open(hconn, "APP.Q", NULL, MQOO_BROWSE | MQOO_INPUT_SHARED);
  EXPECT_RC(Get(hconn, fresh, MQGMO_MSG_UNDER_CURSOR, 0, NULL, text, sizeof text, NULL),
            MQRC_NO_MSG_UNDER_CURSOR, "a cursor never placed");

  /* A browsing consumer sees every message and leaves them all. */
  MQCBD cbd = {MQCBD_DEFAULT};
  MQMD md = {MQMD_DEFAULT};
  MQGMO gmo = {MQGMO_DEFAULT};
  MQCTLO ctlo = {MQCTLO_DEFAULT};
  MQLONG cc;
  cbd.CallbackFunction = (MQPTR)BrowseConsumer;
  gmo.Options = MQGMO_BROWSE_FIRST;
  MQCB(hconn, MQOP_REGISTER, &cbd, fresh, &md, &gmo, &cc, &rc);
  EXPECT_RC(rc, MQRC_NONE, "MQCB of a browsing consumer");
  MQCTL(hconn, MQOP_START, &ctlo, &cc, &rc);
  for (int i = 0; i < 500 && __atomic_load_n(&browsed, __ATOMIC_SEQ_CST) < 3; ++i) Pause(10);
  MQCTL(hconn, MQOP_STOP, &ctlo, &cc, &rc);
  CHECK(browsed == 3, "the browsing consumer saw %d of 3", browsed);
  CHECK(Depth(hconn, "APP.Q") == 3, "depth %d after the browsing consumer",
        (int)Depth(hconn, "APP.Q"));
}

/* ---- properties ------------------------------------------------------ */

static MQCHARV Name(const char* name) {
  MQCHARV v = {MQCHARV_DEFAULT};
  v.VSPtr = (MQPTR)name;
  v.VSLength = MQVS_NULL_TERMINATED;
  return v;
}

static MQHMSG NewHandle(void) {
  MQCMHO cmho = {MQCMHO_DEFAULT};
  MQHMSG h = MQHM_UNUSABLE_HMSG;
  MQLONG cc, rc;
  MQCRTMH(hconn, &cmho, &h, &cc, &rc);
  EXPECT_RC(rc, MQRC_NONE, "MQCRTMH");
  return h;
}

static MQLONG SetProperty(MQHMSG h, const char* name, MQLONG type, const void* value,
                          MQLONG length) {
  MQSMPO smpo = {MQSMPO_DEFAULT};
  MQPD pd = {MQPD_DEFAULT};
  MQCHARV n = Name(name);
  MQLONG cc, rc;
  MQSETMP(hconn, h, &smpo, &n, &pd, type, length, (PMQVOID)value, &cc, &rc);
  return rc;
}

/* MQINQMP of name into value (NUL-terminated when there is room). */
static MQLONG InquireProperty(MQHMSG h, const char* name, MQLONG options, MQLONG* type, void* value,
                              MQLONG size, MQLONG* length, char* returned) {
  MQIMPO impo = {MQIMPO_DEFAULT};
  MQPD pd = {MQPD_DEFAULT};
  MQCHARV n = Name(name);
  MQLONG cc, rc;
  impo.Options = options;
  if (returned) {
    impo.ReturnedName.VSPtr = returned;
    impo.ReturnedName.VSBufSize = 63;
  }
  memset(value, 0, (size_t)size);
  MQINQMP(hconn, h, &impo, &n, &pd, type, size - 1, value, length, &cc, &rc);
  if (returned && cc != MQCC_FAILED) returned[impo.ReturnedName.VSLength] = 0;
  return rc;
}

static MQLONG PutWithHandle(MQHOBJ out, MQHMSG h, const char* text) {
  MQMD md = {MQMD_DEFAULT};
  MQPMO pmo = {MQPMO_DEFAULT};
  MQLONG cc, rc;
  pmo.Version = MQPMO_VERSION_3;
  pmo.Options = MQPMO_NO_SYNCPOINT;
  pmo.NewMsgHandle = h;
  memcpy(md.Format, MQFMT_STRING, MQ_FORMAT_LENGTH);
  MQPUT(hconn, out, &md, &pmo, (MQLONG)strlen(text), (PMQVOID)text, &cc, &rc);
  return rc;
}

/* MQGET with a version-4 MQGMO and message handle h (or none). */
static MQLONG GetWithHandle(MQHOBJ in, MQHMSG h, MQLONG options, MQMD* md, char* buffer,
                            MQLONG size, MQLONG* length) {
  MQGMO gmo = {MQGMO_DEFAULT};
  MQLONG cc, rc;
  gmo.Version = MQGMO_VERSION_4;
  gmo.Options = options | MQGMO_NO_SYNCPOINT;
  gmo.MsgHandle = h;
  MQGET(hconn, in, md, &gmo, size, buffer, length, &cc, &rc);
  return rc;
}

static void Properties(void) {
  MQHOBJ out = Open(hconn, "APP.Q", NULL, MQOO_OUTPUT);
  MQHOBJ in = Open(hconn, "APP.Q", NULL, MQOO_INPUT_SHARED);
  MQHMSG put = NewHandle();
  MQLONG count = 42, yes = 1;
  MQBYTE bytes[3] = {1, 2, 0xfe};
  EXPECT_RC(SetProperty(put, "colour", MQTYPE_STRING, "blue", MQVL_NULL_TERMINATED), MQRC_NONE,
            "MQSETMP string");
  EXPECT_RC(SetProperty(put, "count", MQTYPE_INT32, &count, sizeof count), MQRC_NONE,
            "MQSETMP integer");
  EXPECT_RC(SetProperty(put, "flag", MQTYPE_BOOLEAN, &yes, sizeof yes), MQRC_NONE,
            "MQSETMP boolean");
  EXPECT_RC(SetProperty(put, "bytes", MQTYPE_BYTE_STRING, bytes, sizeof bytes), MQRC_NONE,
            "MQSETMP byte string");
  EXPECT_RC(SetProperty(put, "nothing", MQTYPE_NULL, NULL, 0), MQRC_NONE, "MQSETMP null");
  EXPECT_RC(SetProperty(put, "bad%name", MQTYPE_NULL, NULL, 0), MQRC_PROPERTY_NAME_ERROR,
            "MQSETMP of a wildcard name");
  EXPECT_RC(PutWithHandle(out, put, "with properties"), MQRC_NONE, "MQPUT with a handle");

  /* All five read back by wildcard, with their types and values. */
  MQHMSG got = NewHandle();
  MQMD md = {MQMD_DEFAULT};
  char buffer[4096];
  MQLONG length = 0;
  EXPECT_RC(GetWithHandle(in, got, 0, &md, buffer, sizeof buffer, &length), MQRC_NONE,
            "MQGET into a handle");
  CHECK(length == 15 && memcmp(md.Format, MQFMT_STRING, 8) == 0, "message data or format");
  const char* names[5] = {"colour", "count", "flag", "bytes", "nothing"};
  MQLONG types[5] = {MQTYPE_STRING, MQTYPE_INT32, MQTYPE_BOOLEAN, MQTYPE_BYTE_STRING, MQTYPE_NULL};
  int seen = 0;
  MQLONG options = MQIMPO_INQ_FIRST;
  for (;;) {
    char value[64], returned[64];
    MQLONG type = MQTYPE_AS_SET, rc;
    rc = InquireProperty(got, "%", options, &type, value, sizeof value, &length, returned);
    if (rc == MQRC_PROPERTY_NOT_AVAILABLE) break;
    EXPECT_RC(rc, MQRC_NONE, "MQINQMP by wildcard");
    if (rc != MQRC_NONE || seen >= 5) break;
    CHECK(strcmp(returned, names[seen]) == 0, "property %d named '%s'", seen, returned);
    CHECK(type == types[seen], "property %s of type %d", returned, (int)type);
    switch (type) {
      case MQTYPE_STRING:
        CHECK(length == 4 && strcmp(value, "blue") == 0, "colour '%s'", value);
        break;
      case MQTYPE_INT32:
        CHECK(length == 4 && memcmp(value, &count, 4) == 0, "count");
        break;
      case MQTYPE_BOOLEAN:
        CHECK(length == 4 && memcmp(value, &yes, 4) == 0, "flag");
        break;
      case MQTYPE_BYTE_STRING:
        CHECK(length == 3 && memcmp(value, bytes, 3) == 0, "bytes");
        break;
      default:
        CHECK(length == 0, "nothing has length %d", (int)length);
    }
    ++seen;
    options = MQIMPO_INQ_NEXT;
  }
  CHECK(seen == 5, "%d of 5 properties read back", seen);

  /* Values converted on request, and what does not fit or convert. */
  char value[64];
  MQLONG type = MQTYPE_STRING;
  EXPECT_RC(
      InquireProperty(got, "count", MQIMPO_CONVERT_TYPE, &type, value, sizeof value, &length, NULL),
      MQRC_NONE, "count as a string");
  CHECK(strcmp(value, "42") == 0, "count as a string '%s'", value);
  type = MQTYPE_INT64;
  EXPECT_RC(InquireProperty(got, "usr.count", MQIMPO_CONVERT_TYPE, &type, value, sizeof value,
                            &length, NULL),
            MQRC_NONE, "count as a 64-bit integer");
  CHECK(length == 8 && *(MQINT64*)value == 42, "count as a 64-bit integer");
  type = MQTYPE_INT32;
  EXPECT_RC(InquireProperty(got, "colour", MQIMPO_CONVERT_TYPE, &type, value, sizeof value, &length,
                            NULL),
            MQRC_PROP_NUMBER_FORMAT_ERROR, "colour as an integer");
  type = MQTYPE_AS_SET;
  EXPECT_RC(InquireProperty(got, "colour", 0, &type, value, 3, &length, NULL),
            MQRC_PROPERTY_VALUE_TOO_BIG, "colour into 2 bytes");
  CHECK(length == 4, "the length needed, %d", (int)length);

  /* A property deleted, then gone. */
  MQDMPO dmpo = {MQDMPO_DEFAULT};
  MQCHARV flag = Name("flag");
  MQLONG cc, rc;
  MQDLTMP(hconn, got, &dmpo, &flag, &cc, &rc);
  EXPECT_RC(rc, MQRC_NONE, "MQDLTMP");
  MQDLTMP(hconn, got, &dmpo, &flag, &cc, &rc);
  CHECK(cc == MQCC_WARNING && rc == MQRC_PROPERTY_NOT_AVAILABLE, "MQDLTMP again reason %d",
        (int)rc);

  /* A getter without a handle finds them in an MQRFH2 before the data. */
  EXPECT_RC(PutWithHandle(out, put, "in an MQRFH2"), MQRC_NONE, "second MQPUT with a handle");
  MQMD plain = {MQMD_DEFAULT};
  EXPECT_RC(GetWithHandle(in, MQHM_NONE, 0, &plain, buffer, sizeof buffer, &length), MQRC_NONE,
            "MQGET without a handle");
  MQRFH2 rfh2;
  memcpy(&rfh2, buffer, sizeof rfh2);
  CHECK(memcmp(plain.Format, MQFMT_RF_HEADER_2, 8) == 0, "the getter's Format '%.8s'",
        plain.Format);
  CHECK(memcmp(rfh2.StrucId, MQRFH_STRUC_ID, 4) == 0 && rfh2.Version == MQRFH_VERSION_2 &&
            memcmp(rfh2.Format, MQFMT_STRING, 8) == 0 && rfh2.StrucLength < length,
        "the MQRFH2 header");
  CHECK(
      length - rfh2.StrucLength == 12 && memcmp(buffer + rfh2.StrucLength, "in an MQRFH2", 12) == 0,
      "the data after the MQRFH2");
  /* One folder: its length, then its text. */
  buffer[length] = 0;
  CHECK(strstr(buffer + MQRFH_STRUC_LENGTH_FIXED_2 + 4, "<usr><colour>blue</colour>") &&
            strstr(buffer + MQRFH_STRUC_LENGTH_FIXED_2 + 4, "<count dt='i4'>42</count>"),
        "the usr folder");

  /* MQBUFMH takes them out of that buffer into a handle; MQMHBUF writes a
   * handle's properties into an MQRFH2 that MQBUFMH reads back. */
  MQHMSG from_buffer = NewHandle();
  MQBMHO bmho = {MQBMHO_DEFAULT};
  bmho.Options = MQBMHO_DELETE_PROPERTIES;
  MQBUFMH(hconn, from_buffer, &bmho, &plain, length, buffer, &length, &cc, &rc);
  EXPECT_RC(rc, MQRC_NONE, "MQBUFMH");
  CHECK(length == 12 && memcmp(buffer, "in an MQRFH2", 12) == 0 &&
            memcmp(plain.Format, MQFMT_STRING, 8) == 0,
        "the buffer after MQBUFMH");
  MQMHBO mhbo = {MQMHBO_DEFAULT};
  MQCHARV all = Name("%");
  MQMD described = {MQMD_DEFAULT};
  memcpy(described.Format, MQFMT_STRING, 8);
  MQMHBUF(hconn, from_buffer, &mhbo, &all, &described, sizeof buffer, buffer, &length, &cc, &rc);
  EXPECT_RC(rc, MQRC_NONE, "MQMHBUF");
  MQCHARV none = Name("absent.%");
  MQMHBUF(hconn, from_buffer, &mhbo, &none, &described, sizeof buffer, buffer, &length, &cc, &rc);
  EXPECT_RC(rc, MQRC_PROPERTY_NOT_AVAILABLE, "MQMHBUF of no property");
  MQHMSG round_trip = NewHandle();
  bmho.Options = MQBMHO_NONE;
  MQBUFMH(hconn, round_trip, &bmho, &described, length, buffer, &length, &cc, &rc);
  EXPECT_RC(rc, MQRC_NONE, "MQBUFMH of MQMHBUF's buffer");
  type = MQTYPE_AS_SET;
  EXPECT_RC(InquireProperty(round_trip, "colour", 0, &type, value, sizeof value, &length, NULL),
            MQRC_NONE, "colour after the round trip");
  CHECK(type == MQTYPE_STRING && strcmp(value, "blue") == 0, "colour after the round trip");
  type = MQTYPE_AS_SET;
  EXPECT_RC(InquireProperty(round_trip, "nothing", 0, &type, value, sizeof value, &length, NULL),
            MQRC_NONE, "nothing after the round trip");
  CHECK(type == MQTYPE_NULL, "nothing after the round trip has type %d", (int)type);

  /* A deleted handle is unusable. */
  MQDMHO dmho = {MQDMHO_DEFAULT};
  MQHMSG gone = put;
  MQDLTMH(hconn, &gone, &dmho, &cc, &rc);
  EXPECT_RC(rc, MQRC_NONE, "MQDLTMH");
  CHECK(gone == MQHM_UNUSABLE_HMSG, "MQDLTMH leaves the handle unusable");
  EXPECT_RC(SetProperty(put, "colour", MQTYPE_STRING, "red", 3), MQRC_HMSG_ERROR,
            "MQSETMP on a deleted handle");
}

/* ---- consumer -------------------------------------------------------- */

#define MAX_CALLS 16
static MQLONG calls[MAX_CALLS]; /* CallType * 10000 + Reason of each call */
static int call_count = 0;
static int suspend_in_callback = 0;
static int stop_and_restart_in_callback = 0;
static MQHMSG consumer_handle = MQHM_NONE;
static char consumer_colour[16];

static void MQENTRY WaitingConsumer(MQHCONN h, PMQVOID md, PMQVOID gmo, PMQVOID buffer,
                                    PMQCBC cbc) {
  (void)md, (void)gmo, (void)buffer;
  MQCTLO ctlo = {MQCTLO_DEFAULT};
  MQLONG cc, rc;
  int n = __atomic_load_n(&call_count, __ATOMIC_SEQ_CST);
  if (n < MAX_CALLS) calls[n] = cbc->CallType * 10000 + cbc->Reason;
  if (cbc->CallType == MQCBCT_MSG_REMOVED && stop_and_restart_in_callback) {
    /* A START in the callback takes back its STOP. */
    MQCTL(h, MQOP_STOP, &ctlo, &cc, &rc);
    MQCTL(h, MQOP_START, &ctlo, &cc, &rc);
  }
  if (cbc->CallType == MQCBCT_MSG_REMOVED && suspend_in_callback) {
    MQCTL(h, MQOP_SUSPEND, &ctlo, &cc, &rc);
  }
  if (cbc->CallType == MQCBCT_MSG_REMOVED && consumer_handle != MQHM_NONE) {
    MQLONG type = MQTYPE_AS_SET, length;
    InquireProperty(consumer_handle, "colour", 0, &type, consumer_colour, sizeof consumer_colour,
                    &length, NULL);
  }
  if (cbc->Reason == MQRC_NO_MSG_AVAILABLE) {
    /* The program ends its consumption on this call, as many do. */
    MQCTL(h, MQOP_STOP, &ctlo, &cc, &rc);
  }
  __atomic_store_n(&call_count, n + 1, __ATOMIC_SEQ_CST);
}

static int WaitCalls(int n) {
  for (int i = 0; i < 500 && __atomic_load_n(&call_count, __ATOMIC_SEQ_CST) < n; ++i) Pause(10);
  return __atomic_load_n(&call_count, __ATOMIC_SEQ_CST);
}

static void Consumer(void) {
  MQHCONN putter = Connect();
  MQHOBJ out = Open(putter, "APP.Q", NULL, MQOO_OUTPUT);
  MQHOBJ in = Open(hconn, "APP.Q", NULL, MQOO_INPUT_SHARED);
  MQCTLO ctlo = {MQCTLO_DEFAULT};
  MQLONG cc, rc;

  /* A suspend before any start fails and leaves the connection able to
   * start; then a waiting consumer gets two messages and the end of its
   * wait. */
  MQCTL(hconn, MQOP_SUSPEND, &ctlo, &cc, &rc);
  EXPECT_RC(rc, MQRC_OPERATION_NOT_ALLOWED, "SUSPEND before START");
  MQCTL(hconn, MQOP_RESUME, &ctlo, &cc, &rc);
  EXPECT_RC(rc, MQRC_OPERATION_NOT_ALLOWED, "RESUME before START");
  MQCBD cbd = {MQCBD_DEFAULT};
  MQMD md = {MQMD_DEFAULT};
  MQGMO gmo = {MQGMO_DEFAULT};
  cbd.CallbackFunction = (MQPTR)WaitingConsumer;
  gmo.Options = MQGMO_WAIT | MQGMO_NO_SYNCPOINT;
  gmo.WaitInterval = 300;
  MQCB(hconn, MQOP_REGISTER, &cbd, in, &md, &gmo, &cc, &rc);
  EXPECT_RC(rc, MQRC_NONE, "MQCB REGISTER after the failed SUSPEND");
  PutText(putter, out, "first", NULL);
  PutText(putter, out, "second", NULL);
  MQCTL(hconn, MQOP_START, &ctlo, &cc, &rc);
  EXPECT_RC(rc, MQRC_NONE, "START after the failed SUSPEND");
  CHECK(WaitCalls(3) == 3, "%d calls of the waiting consumer", call_count);
  CHECK(calls[0] == MQCBCT_MSG_REMOVED * 10000 && calls[1] == MQCBCT_MSG_REMOVED * 10000 &&
            calls[2] == MQCBCT_EVENT_CALL * 10000 + MQRC_NO_MSG_AVAILABLE,
        "calls %d %d %d: two messages, then no message", (int)calls[0], (int)calls[1],
        (int)calls[2]);
  Pause(400);
  CHECK(call_count == 3, "a call after the consumer stopped");

  /* SUSPEND, START and RESUME from another thread, in each state. */
  gmo.Options = MQGMO_NO_SYNCPOINT;
  MQCB(hconn, MQOP_REGISTER, &cbd, in, &md, &gmo, &cc, &rc);
  static const struct {
    MQLONG operation, reason;
    const char* what;
  } orders[] = {
      {MQOP_START, MQRC_NONE, "START again"},
      {MQOP_SUSPEND, MQRC_NONE, "SUSPEND while started"},
      {MQOP_START, MQRC_OPERATION_NOT_ALLOWED, "START while suspended"},
      {MQOP_START_WAIT, MQRC_OPERATION_NOT_ALLOWED, "START_WAIT while suspended"},
      {MQOP_RESUME, MQRC_NONE, "RESUME"},
      {MQOP_RESUME, MQRC_HCONN_ASYNC_ACTIVE, "RESUME from another thread while started"},
      {MQOP_STOP, MQRC_NONE, "STOP"},
  };
  for (size_t i = 0; i < sizeof orders / sizeof orders[0]; ++i) {
    MQCTL(hconn, orders[i].operation, &ctlo, &cc, &rc);
    EXPECT_RC(rc, orders[i].reason, orders[i].what);
  }

  /* A STOP in a callback taken back by a START there; a SUSPEND in a
   * callback ends START_WAIT with a warning. */
  call_count = 0;
  stop_and_restart_in_callback = 1;
  PutText(putter, out, "third", NULL);
  PutText(putter, out, "fourth", NULL);
  MQCTL(hconn, MQOP_START, &ctlo, &cc, &rc);
  CHECK(WaitCalls(2) == 2, "%d calls after a STOP taken back", call_count);
  MQCTL(hconn, MQOP_STOP, &ctlo, &cc, &rc);
  stop_and_restart_in_callback = 0;
  suspend_in_callback = 1;
  PutText(putter, out, "fifth", NULL);
  MQCTL(hconn, MQOP_START_WAIT, &ctlo, &cc, &rc);
  CHECK(cc == MQCC_WARNING && rc == MQRC_CONNECTION_SUSPENDED,
        "START_WAIT ended by a suspend: %d %d", (int)cc, (int)rc);
  MQCTL(hconn, MQOP_STOP, &ctlo, &cc, &rc);
  EXPECT_RC(rc, MQRC_NONE, "STOP after START_WAIT");
  CHECK(call_count == 3, "%d calls in all", call_count);

  /* A consumer's message handle gets the message's properties. */
  MQHMSG put = NewHandle(), got = NewHandle();
  EXPECT_RC(SetProperty(put, "colour", MQTYPE_STRING, "green", 5), MQRC_NONE, "MQSETMP");
  MQHOBJ own_out = Open(hconn, "APP.Q", NULL, MQOO_OUTPUT);
  EXPECT_RC(PutWithHandle(own_out, put, "with a property"), MQRC_NONE, "MQPUT with a handle");
  suspend_in_callback = 0;
  call_count = 0;
  consumer_handle = got;
  gmo.Version = MQGMO_VERSION_4;
  gmo.MsgHandle = got;
  MQCB(hconn, MQOP_REGISTER, &cbd, in, &md, &gmo, &cc, &rc);
  MQCTL(hconn, MQOP_START, &ctlo, &cc, &rc);
  CHECK(WaitCalls(1) == 1, "%d calls of the consumer with a handle", call_count);
  MQCTL(hconn, MQOP_STOP, &ctlo, &cc, &rc);
  CHECK(strcmp(consumer_colour, "green") == 0, "the consumer's handle had colour '%s'",
        consumer_colour);
  MQDISC(&putter, &cc, &rc);
}

/* ---- mqset ----------------------------------------------------------- */

static void InquireQueue(MQHOBJ hobj, MQLONG* inhibit_get, char* trigger_data) {
  MQLONG selectors[2] = {MQIA_INHIBIT_GET, MQCA_TRIGGER_DATA}, cc, rc;
  MQINQ(hconn, hobj, 2, selectors, 1, inhibit_get, MQ_TRIGGER_DATA_LENGTH, trigger_data, &cc, &rc);
  EXPECT_RC(rc, MQRC_NONE, "MQINQ");
  trigger_data[MQ_TRIGGER_DATA_LENGTH] = 0;
}

static void Mqset(void) {
  MQHOBJ q = Open(hconn, "APP.Q", NULL, MQOO_SET | MQOO_INQUIRE);
  MQLONG cc, rc, inhibit = -1;
  char data[MQ_TRIGGER_DATA_LENGTH + 1], got[MQ_TRIGGER_DATA_LENGTH + 1];
  memset(data, ' ', MQ_TRIGGER_DATA_LENGTH);
  memcpy(data, "start the payroll", 17);

  /* TriggerData with InhibitGet, then InhibitGet with MaxQDepth refused. */
  MQLONG both[2] = {MQIA_INHIBIT_GET, MQCA_TRIGGER_DATA}, inhibited = MQQA_GET_INHIBITED;
  MQSET(hconn, q, 2, both, 1, &inhibited, MQ_TRIGGER_DATA_LENGTH, data, &cc, &rc);
  EXPECT_RC(rc, MQRC_NONE, "MQSET of TriggerData and InhibitGet");
  InquireQueue(q, &inhibit, got);
  CHECK(inhibit == MQQA_GET_INHIBITED && strncmp(got, "start the payroll ", 18) == 0,
        "after MQSET: InhibitGet %d TriggerData '%s'", (int)inhibit, got);
  MQLONG with_depth[2] = {MQIA_INHIBIT_GET, MQIA_MAX_Q_DEPTH}, values[2] = {MQQA_GET_ALLOWED, 10};
  MQSET(hconn, q, 2, with_depth, 2, values, 0, NULL, &cc, &rc);
  EXPECT_RC(rc, MQRC_SELECTOR_ERROR, "MQSET of MaxQDepth");
  InquireQueue(q, &inhibit, got);
  CHECK(inhibit == MQQA_GET_INHIBITED, "InhibitGet changed by a refused MQSET");

  /* Every attribute MQSET may set on a local queue. */
  MQLONG all[8] = {MQIA_INHIBIT_GET,  MQIA_INHIBIT_PUT,   MQIA_TRIGGER_CONTROL,
                   MQIA_TRIGGER_TYPE, MQIA_TRIGGER_DEPTH, MQIA_TRIGGER_MSG_PRIORITY,
                   MQIA_DIST_LISTS,   MQCA_TRIGGER_DATA};
  MQLONG set[7] = {MQQA_GET_ALLOWED, MQQA_PUT_INHIBITED, MQTC_ON, MQTT_EVERY, 5, 3, MQDL_SUPPORTED};
  MQSET(hconn, q, 8, all, 7, set, MQ_TRIGGER_DATA_LENGTH, data, &cc, &rc);
  EXPECT_RC(rc, MQRC_NONE, "MQSET of every settable attribute");
  MQLONG now[7];
  MQINQ(hconn, q, 7, all, 7, now, 0, NULL, &cc, &rc);
  CHECK(rc == MQRC_NONE && memcmp(now, set, sizeof set) == 0, "MQINQ after setting all");

  /* A refused value, a short list: nothing changes. */
  MQLONG bad[2] = {MQQA_PUT_ALLOWED, 99};
  MQSET(hconn, q, 2, all + 1, 2, bad, 0, NULL, &cc, &rc);
  EXPECT_RC(rc, MQRC_TRIGGER_CONTROL_ERROR, "MQSET TriggerControl 99");
  MQSET(hconn, q, 1, all + 7, 0, NULL, 10, data, &cc, &rc);
  EXPECT_RC(rc, MQRC_CHAR_ATTR_LENGTH_ERROR, "MQSET of TriggerData in 10 characters");
  MQSET(hconn, q, 2, all, 1, set, 0, NULL, &cc, &rc);
  EXPECT_RC(rc, MQRC_INT_ATTR_COUNT_ERROR, "MQSET of two with one value");
  MQLONG no_such_support = 2;
  MQSET(hconn, q, 1, all + 6, 1, &no_such_support, 0, NULL, &cc, &rc);
  EXPECT_RC(rc, MQRC_INT_ATTRS_ARRAY_ERROR, "MQSET DistLists 2");
  MQINQ(hconn, q, 7, all, 7, now, 0, NULL, &cc, &rc);
  CHECK(memcmp(now, set, sizeof set) == 0, "a refused MQSET changed something");

  /* An alias queue has no trigger attributes. */
  MQHOBJ alias = Open(hconn, "APP.ALIAS", NULL, MQOO_SET);
  MQSET(hconn, alias, 1, all + 7, 0, NULL, MQ_TRIGGER_DATA_LENGTH, data, &cc, &rc);
  EXPECT_RC(rc, MQRC_SELECTOR_NOT_FOR_TYPE, "MQSET of TriggerData on an alias queue");
  MQSET(hconn, alias, 1, all, 1, &inhibited, 0, NULL, &cc, &rc);
  EXPECT_RC(rc, MQRC_NONE, "MQSET of InhibitGet on an alias queue");
}

/* ---- reports --------------------------------------------------------- */

/* The next message on REPLY.Q, which must be a report of `feedback` about
 * the original md; its data goes to buffer. */
static void ExpectReport(MQHOBJ replies, MQLONG feedback, const MQMD* original, int pass_msg_id,
                         int pass_correl_id, MQLONG data_length, char* buffer, const char* what) {
  MQMD md = {MQMD_DEFAULT};
  MQLONG length = -1;
  MQLONG rc = Get(hconn, replies, MQGMO_WAIT, 0, &md, buffer, 4096, &length);
  EXPECT_RC(rc, MQRC_NONE, what);
  if (rc != MQRC_NONE) return;
  CHECK(md.MsgType == MQMT_REPORT && md.Feedback == feedback, "%s: MsgType %d Feedback %d", what,
        (int)md.MsgType, (int)md.Feedback);
  CHECK((memcmp(md.MsgId, original->MsgId, 24) == 0) == pass_msg_id, "%s: MsgId", what);
  CHECK(memcmp(md.CorrelId, pass_correl_id ? original->CorrelId : original->MsgId, 24) == 0,
        "%s: CorrelId", what);
  CHECK(length == data_length, "%s: %d bytes of data, expected %d", what, (int)length,
        (int)data_length);
  CHECK(memcmp(md.PutApplName, "QM1 ", 4) == 0 && md.PutApplType == MQAT_QMGR, "%s: origin", what);
}

static void Reports(void) {
  MQHOBJ out = Open(hconn, "APP.Q", NULL, MQOO_OUTPUT);
  MQHOBJ in = Open(hconn, "APP.Q", NULL, MQOO_INPUT_SHARED);
  MQHOBJ replies = Open(hconn, "REPLY.Q", NULL, MQOO_INPUT_SHARED);
  char buffer[4096];
  char long_text[151];
  memset(long_text, 'x', 150);
  long_text[150] = 0;

  /* Confirm on arrival, without data, with the default identifiers. */
  MQMD md = {MQMD_DEFAULT};
  md.Report = MQRO_COA;
  memcpy(md.ReplyToQ, "REPLY.Q", 7);
  EXPECT_RC(PutText(hconn, out, "arrives", &md), MQRC_NONE, "put with COA");
  ExpectReport(replies, MQFB_COA, &md, 0, 0, 0, buffer, "COA");

  /* Confirm on delivery with 100 bytes, passing both identifiers: only
   * when the message is got. */
  MQMD cod = {MQMD_DEFAULT};
  cod.Report = MQRO_COD_WITH_DATA | MQRO_PASS_MSG_ID | MQRO_PASS_CORREL_ID;
  memcpy(cod.CorrelId, "correlation identifier..", 24);
  memcpy(cod.ReplyToQ, "REPLY.Q", 7);
  EXPECT_RC(PutText(hconn, out, long_text, &cod), MQRC_NONE, "put with COD");
  CHECK(Depth(hconn, "REPLY.Q") == 0, "a COD before the get");
  Drain(hconn, "APP.Q");
  ExpectReport(replies, MQFB_COD, &cod, 1, 1, 100, buffer, "COD with data");

  /* Both at once with all the data. */
  MQMD both = {MQMD_DEFAULT};
  both.Report = MQRO_COA_WITH_FULL_DATA | MQRO_COD;
  memcpy(both.ReplyToQ, "REPLY.Q", 7);
  EXPECT_RC(PutText(hconn, out, long_text, &both), MQRC_NONE, "put with COA and COD");
  ExpectReport(replies, MQFB_COA, &both, 0, 0, 150, buffer, "COA with full data");
  Drain(hconn, "APP.Q");
  ExpectReport(replies, MQFB_COD, &both, 0, 0, 0, buffer, "COD");

  /* Expiry: a message past its time is discarded with its report, and a
   * getter sees the time left. */
  MQMD expiring = {MQMD_DEFAULT};
  expiring.Expiry = 2;
  expiring.Report = MQRO_EXPIRATION;
  memcpy(expiring.ReplyToQ, "REPLY.Q", 7);
  EXPECT_RC(PutText(hconn, out, "short-lived", &expiring), MQRC_NONE, "put with an expiry");
  Pause(300);
  EXPECT_RC(Get(hconn, in, 0, 0, NULL, buffer, sizeof buffer, NULL), MQRC_NO_MSG_AVAILABLE,
            "get of an expired message");
  ExpectReport(replies, MQFB_EXPIRATION, &expiring, 0, 0, 0, buffer, "expiration report");
  MQMD lasting = {MQMD_DEFAULT}, got = {MQMD_DEFAULT};
  lasting.Expiry = 600;
  PutText(hconn, out, "long-lived", &lasting);
  EXPECT_RC(Get(hconn, in, 0, 0, &got, buffer, sizeof buffer, NULL), MQRC_NONE,
            "get of a message with an expiry");
  CHECK(got.Expiry > 500 && got.Expiry <= 600, "Expiry left %d", (int)got.Expiry);
  MQMD zero = {MQMD_DEFAULT};
  zero.Expiry = 0;
  EXPECT_RC(PutText(hconn, out, "never", &zero), MQRC_EXPIRY_ERROR, "put with Expiry 0");
  MQMD no_reply = {MQMD_DEFAULT};
  no_reply.Report = MQRO_COA;
  EXPECT_RC(PutText(hconn, out, "nowhere", &no_reply), MQRC_MISSING_REPLY_TO_Q,
            "put with COA and no ReplyToQ");

  /* A message that the other queue manager cannot take: an exception
   * report, also when the message itself is discarded. */
  MQHOBJ remote = Open(hconn, "NO.SUCH.Q", "QM2", MQOO_OUTPUT);
  MQMD lost = {MQMD_DEFAULT};
  lost.Report = MQRO_EXCEPTION_WITH_DATA | MQRO_DISCARD_MSG;
  memcpy(lost.ReplyToQ, "REPLY.Q", 7);
  MQLONG dead = Depth(hconn, "SYSTEM.DEAD.LETTER.QUEUE");
  EXPECT_RC(PutText(hconn, remote, "undeliverable", &lost), MQRC_NONE, "put to QM2");
  ExpectReport(replies, MQRC_UNKNOWN_OBJECT_NAME, &lost, 0, 0, 13, buffer, "exception report");
  CHECK(Depth(hconn, "SYSTEM.DEAD.LETTER.QUEUE") == dead, "a discarded message was kept");

  /* A request to the command server asking for both confirmations: two
   * reports and the reply. */
  MQHOBJ commands = Open(hconn, "SYSTEM.ADMIN.COMMAND.QUEUE", NULL, MQOO_OUTPUT);
  MQLONG ping[9] = {1, 36, 1, 40 /* Ping Queue Manager */, 1, 1, 0, 0, 0};
  MQMD request = {MQMD_DEFAULT};
  MQPMO pmo = {MQPMO_DEFAULT};
  MQLONG cc, rc;
  request.MsgType = MQMT_REQUEST;
  request.Report = MQRO_COA | MQRO_COD;
  memcpy(request.Format, MQFMT_ADMIN, 8);
  memcpy(request.ReplyToQ, "REPLY.Q", 7);
  MQPUT(hconn, commands, &request, &pmo, sizeof ping, ping, &cc, &rc);
  EXPECT_RC(rc, MQRC_NONE, "put of a command");
  int coa = 0, codr = 0, reply = 0;
  for (int i = 0; i < 3; ++i) {
    MQMD r = {MQMD_DEFAULT};
    if (Get(hconn, replies, MQGMO_WAIT, 0, &r, buffer, sizeof buffer, NULL) != MQRC_NONE) break;
    CHECK(memcmp(r.CorrelId, request.MsgId, 24) == 0, "answer %d CorrelId", i);
    coa += r.MsgType == MQMT_REPORT && r.Feedback == MQFB_COA;
    codr += r.MsgType == MQMT_REPORT && r.Feedback == MQFB_COD;
    reply += r.MsgType == MQMT_REPLY && r.Report == MQRO_NONE;
  }
  CHECK(coa == 1 && codr == 1 && reply == 1, "command: %d COA, %d COD, %d reply", coa, codr, reply);
}

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: %s browse|properties|consumer|mqset|reports\n", argv[0]);
    return 2;
  }
  hconn = Connect();
  if (failures) return 1;
  const char* family = argv[1];
  if (strcmp(family, "browse") == 0) {
    Browse();
  } else if (strcmp(family, "properties") == 0) {
    Properties();
  } else if (strcmp(family, "consumer") == 0) {
    Consumer();
  } else if (strcmp(family, "mqset") == 0) {
    Mqset();
  } else if (strcmp(family, "reports") == 0) {
    Reports();
  } else {
    fprintf(stderr, "unknown family %s\n", family);
    return 2;
  }
  MQLONG cc, rc;
  MQDISC(&hconn, &cc, &rc);
  CHECK(cc == MQCC_OK, "MQDISC reason %d", (int)rc);
  printf(failures ? "%s: %d failure(s)\n" : "%s: all passed\n", family, failures);
  return failures ? 1 : 0;
}
