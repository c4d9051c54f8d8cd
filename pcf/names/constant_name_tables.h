// The constant name tables: the three behind ReasonText and CommandText (IBM
// MQ's reason, feedback and PCF command codes, each with its symbolic name and
// a short description), and the PCF parameter names that administration tools
// show and accept (pcf/pcf_text.h). The tables are generated
// (constant_name_tables.cc, by generate_constant_names.py) and are constant
// data of static lifetime.
//
// A code may have several rows (IBM MQ gives some codes two names); the first
// row in table order is the one a lookup finds, so the order of rows decides
// the answer:
//   ReasonNames   MQRC_* by symbolic name, MQRCCF_* by symbolic name, the
//                 unnamed code 33844, then MQFB_* below 500 by symbolic name
//   FeedbackNames a row for code 0 with empty name and description, then
//                 every MQFB_* by symbolic name
//   CommandNames  MQCMD_* by symbolic name, the internal commands of uniform
//                 clusters last
//   ParameterNames MQCA_* and MQIA_* in cmqc.h's order, the MQCACF_*,
//                 MQIACF_* and MQBACF_* that the PCF format carries, the
//                 agent's own TVN_ATTR_*; each label is unique, and is the
//                 row's description: the symbolic name without its family
//                 prefix ("Q_NAME"), or for the agent's own "CSAGNT_..."
#pragma once

#include <cmqc.h>

#include <span>

struct ConstantNameRow {
  MQLONG code;
  const char* name;         // IBM MQ's symbolic name, "" for a code without one
  const char* description;  // never null
};

using ConstantNameTable = std::span<const ConstantNameRow>;

extern const ConstantNameTable ReasonNames;
extern const ConstantNameTable FeedbackNames;
extern const ConstantNameTable CommandNames;
extern const ConstantNameTable ParameterNames;
