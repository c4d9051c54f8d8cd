/* The reader's C interface, used from C with nothing but IBM's cmqc.h and
 * pcf/coalesced_reader_c.h: a coalesced PCF message split into the standard
 * messages the command server sent, with the agent information apart; a
 * message that lies about its length; the arguments refused; coalesced MQSC
 * text. Prints one line per failed check and "N passed, N failed". */
#include <cmqc.h>
#include <stdio.h>
#include <string.h>

#include "pcf/coalesced_reader_c.h"

static int passed;
static int failed;

#define CHECK(condition)                                                   \
  do {                                                                     \
    if (condition) {                                                       \
      ++passed;                                                            \
    } else {                                                               \
      ++failed;                                                            \
      printf("%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
    }                                                                      \
  } while (0)

/* PCF messages built by hand, field by field, as IBM's structures lay them
 * out (MQCFH 36 bytes, MQCFIN 16, MQCFST 20 + the string padded to 4). */
enum { kNotLast = 0, kLast = 1 }; /* MQCFH Control */

typedef struct {
  MQBYTE data[1024];
  MQLONG length;
} Buffer;

static void Long(Buffer* b, MQLONG value) {
  memcpy(b->data + b->length, &value, sizeof value);
  b->length += (MQLONG)sizeof value;
}

static void Header(Buffer* b, MQLONG seq, MQLONG control, MQLONG parameter_count) {
  Long(b, 2); /* MQCFT_RESPONSE */
  Long(b, 36);
  Long(b, 1);
  Long(b, 13); /* MQCMD_INQUIRE_Q */
  Long(b, seq);
  Long(b, control);
  Long(b, MQCC_OK);
  Long(b, MQRC_NONE);
  Long(b, parameter_count);
}

static void Integer(Buffer* b, MQLONG parameter, MQLONG value) {
  Long(b, 3); /* MQCFT_INTEGER */
  Long(b, 16);
  Long(b, parameter);
  Long(b, value);
}

static void String(Buffer* b, MQLONG parameter, const char* text) {
  MQLONG n = (MQLONG)strlen(text);
  MQLONG padded = (n + 3) / 4 * 4;
  Long(b, 4); /* MQCFT_STRING */
  Long(b, 20 + padded);
  Long(b, parameter);
  Long(b, 819);
  Long(b, n);
  memset(b->data + b->length, 0, (size_t)padded);
  memcpy(b->data + b->length, text, (size_t)n);
  b->length += padded;
}

static MQLONG Field(const MQBYTE* message, int index) {
  MQLONG value;
  memcpy(&value, message + 4 * index, sizeof value);
  return value;
}

static int SameBytes(const CSAGNT_PCF_RESPONSE* r, const Buffer* expected) {
  return r->MessageLength == expected->length &&
         memcmp(r->Message, expected->data, (size_t)expected->length) == 0;
}

/* Replies 7 and 8 of an Inquire Queue, coalesced; the second followed by
 * the agent's information, as if it had answered Inquire Queue Manager. */
static void TestCoalescedPcfBecomesTheStandardMessages(void) {
  Buffer coalesced = {{0}, 0};
  Header(&coalesced, 8, kLast | CSAGNT_CFC_COALESCED, 6);
  String(&coalesced, MQCA_Q_NAME, "A.Q");
  Integer(&coalesced, MQIA_Q_TYPE, MQQT_LOCAL);
  Integer(&coalesced, 40000, 2); /* the delimiter: a response follows */
  String(&coalesced, MQCA_Q_NAME, "BEE.Q");
  Integer(&coalesced, CSAGNT_INFO_CMDLEVEL, 930);
  Integer(&coalesced, CSAGNT_INFO_FEATURES, CSAGNT_FEATURE_COALESCE | CSAGNT_FEATURE_COMPRESS);

  Buffer first = {{0}, 0};
  Header(&first, 7, kNotLast, 2);
  String(&first, MQCA_Q_NAME, "A.Q");
  Integer(&first, MQIA_Q_TYPE, MQQT_LOCAL);
  Buffer second = {{0}, 0};
  Header(&second, 8, kLast, 1);
  String(&second, MQCA_Q_NAME, "BEE.Q");

  CSAGNT_PCF_RESPONSES* responses = NULL;
  CHECK(CsagntSplitCoalescedPcf(coalesced.data, coalesced.length, &responses) == 0);
  CHECK(responses != NULL);
  if (responses == NULL) return;
  CHECK(responses->Count == 2);
  if (responses->Count == 2) {
    CHECK(SameBytes(&responses->Responses[0], &first));
    CHECK(SameBytes(&responses->Responses[1], &second));
    CHECK(Field(responses->Responses[1].Message, 4) == 8); /* MsgSeqNumber */
    CHECK(((size_t)responses->Responses[1].Message % sizeof(MQLONG)) == 0);
    CHECK(responses->Responses[0].AgentInfoCount == 0);
    CHECK(responses->Responses[0].AgentInfo == NULL);
    CHECK(responses->Responses[1].AgentInfoCount == 2);
    if (responses->Responses[1].AgentInfoCount == 2) {
      const CSAGNT_AGENT_INFO* info = responses->Responses[1].AgentInfo;
      CHECK(info[0].Parameter == CSAGNT_INFO_CMDLEVEL && info[0].Value == 930);
      CHECK(info[1].Parameter == CSAGNT_INFO_FEATURES && info[1].Value == 6);
    }
  }
  CsagntFreePcfResponses(responses);
}

/* The second response's string claims more bytes than the message has:
 * the first response is whole, the second cut, and the fault reported. */
static void TestALyingMessageKeepsWhatWasSound(void) {
  Buffer coalesced = {{0}, 0};
  Header(&coalesced, 2, kLast | CSAGNT_CFC_COALESCED, 3);
  String(&coalesced, MQCA_Q_NAME, "A.Q");
  Integer(&coalesced, 40000, 2);
  String(&coalesced, MQCA_Q_NAME, "B.Q");
  coalesced.length -= 2;

  CSAGNT_PCF_RESPONSES* responses = NULL;
  CHECK(CsagntSplitCoalescedPcf(coalesced.data, coalesced.length, &responses) != 0);
  CHECK(responses != NULL && responses->Count == 2);
  if (responses != NULL && responses->Count == 2) {
    CHECK(Field(responses->Responses[0].Message, 8) == 1); /* ParameterCount */
    CHECK(Field(responses->Responses[1].Message, 8) == 0);
  }
  CsagntFreePcfResponses(responses);

  /* A header cut short gives no responses at all. */
  CHECK(CsagntSplitCoalescedPcf(coalesced.data, 20, &responses) != 0);
  CHECK(responses != NULL && responses->Count == 0 && responses->Responses == NULL);
  CsagntFreePcfResponses(responses);
}

static void TestArgumentsThatCannotBeMessagesAreRefused(void) {
  CSAGNT_PCF_RESPONSES* responses = NULL;
  CSAGNT_MQSC_TEXTS* texts = NULL;
  MQBYTE byte = 0;
  CHECK(CsagntSplitCoalescedPcf(&byte, -1, &responses) == MQRC_BUFFER_LENGTH_ERROR);
  CHECK(responses == NULL);
  CHECK(CsagntSplitCoalescedPcf(NULL, 36, &responses) == MQRC_BUFFER_ERROR);
  CHECK(responses == NULL);
  CHECK(CsagntSplitCoalescedMqsc(&byte, -5, &texts) == MQRC_BUFFER_LENGTH_ERROR);
  CHECK(texts == NULL);
  CHECK(CsagntSplitCoalescedMqsc(NULL, 3, &texts) == MQRC_BUFFER_ERROR);
  CHECK(texts == NULL);
  CsagntFreePcfResponses(NULL);
  CsagntFreeMqscTexts(NULL);
}

static void TestMqscTextsAreSplitAsCStrings(void) {
  static const char message[] = "CSQN205I*  COUNT=       3\0CSQM401I QUEUE(A)\0CSQ9022I DONE";
  CSAGNT_MQSC_TEXTS* texts = NULL;
  CHECK(CsagntSplitCoalescedMqsc(message, (MQLONG)sizeof message - 1, &texts) == 0);
  CHECK(texts != NULL && texts->Count == 3);
  if (texts != NULL && texts->Count == 3) {
    CHECK(strcmp(texts->Texts[0].Text, "CSQN205I   COUNT=       3") == 0);
    CHECK(texts->Texts[0].Length == 25);
    CHECK(strcmp(texts->Texts[1].Text, "CSQM401I QUEUE(A)") == 0);
    CHECK(strcmp(texts->Texts[2].Text, "CSQ9022I DONE") == 0);
  }
  CsagntFreeMqscTexts(texts);

  CHECK(CsagntSplitCoalescedMqsc(NULL, 0, &texts) == 0);
  CHECK(texts != NULL && texts->Count == 1 && texts->Texts[0].Length == 0 &&
        texts->Texts[0].Text[0] == '\0');
  CsagntFreeMqscTexts(texts);
}

int main(void) {
  TestCoalescedPcfBecomesTheStandardMessages();
  TestALyingMessageKeepsWhatWasSound();
  TestArgumentsThatCannotBeMessagesAreRefused();
  TestMqscTextsAreSplitAsCStrings();
  printf("%d passed, %d failed\n", passed, failed);
  return failed == 0 ? 0 : 1;
}
