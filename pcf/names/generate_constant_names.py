#!/usr/bin/env python3
"""Writes constant_name_tables.cc, the constant name tables: the agent's three
(reason, feedback and PCF command codes) and the PCF parameter names that
tools show and accept.

Inputs, all beside this script:
  mq_constants.tsv           IBM MQ's MQRC_, MQRCCF_, MQFB_ and MQCMD_ constants
                             (name <TAB> value)
  description_overrides.tsv  hand-fixed descriptions (code <TAB> name <TAB> text)
  parameter_constants.tsv    PCF parameter identifiers (name <TAB> value, and
                             <TAB> label where the label is not the name
                             without its family prefix)

Selection:
  - Names ending in _FIRST or _LAST are the bounds of a range of values
    (MQRC_APPL_FIRST 900, MQFB_SYSTEM_LAST 65535, MQFB_APPL_LAST 999999999,
    ...), not codes that IBM MQ reports; they get no row.
  - MQFB_NONE gets no row: feedback code 0 is the empty first row of
    FeedbackNames, and reason code 0 is MQRC_NONE.
  - MQCMD_NONE keeps its row: a PCF header with command 0 is shown as "None".

Tables and row order (the first row with a code answers a lookup, so the
order decides which name of a code with several names is shown):
  ReasonNames   MQRC_* by symbolic name, then MQRCCF_* by symbolic name, then
                the unnamed reason rows of the overrides file, then the
                MQFB_* rows below 500 by symbolic name. The publish/subscribe
                feedback codes (500 and up) are left to FeedbackNames.
  FeedbackNames an empty row for code 0, then every MQFB_* row by name.
  CommandNames  MQCMD_* by symbolic name, the internal commands that queue
                managers of a uniform cluster send each other last.
  ParameterNames the rows of parameter_constants.tsv in file order (range
                bounds left out); the description of each is its label.

Descriptions: the override if there is one; otherwise the words of the
symbolic name without its family prefix. Abbreviations cut short to fit IBM's
name length are written out (ERR error, PARM parameter, CHL channel, ...),
structure names and acronyms stay in capitals (MD, GMO, SSL, CCSID), handles
and identifiers keep their usual mixed case (Hconn, Hobj, QMgr, MsgId).
Reason descriptions have a capital first letter only ("Queue full",
"QMgr name error"); command descriptions capitalise every word, and keep Q for
a queue as the command names do ("Inquire Q", "Change QMgr").

Usage: generate_constant_names.py          rewrite constant_name_tables.cc
       generate_constant_names.py --check  exit 1 if the file is out of date
"""

import pathlib
import sys

HERE = pathlib.Path(__file__).resolve().parent
CONSTANTS_FILE = HERE / "mq_constants.tsv"
OVERRIDES_FILE = HERE / "description_overrides.tsv"
PARAMETERS_FILE = HERE / "parameter_constants.tsv"
OUTPUT_FILE = HERE / "constant_name_tables.cc"

FAMILIES = ("MQRC_", "MQRCCF_", "MQFB_", "MQCMD_")
PARAMETER_FAMILIES = ("MQCA_", "MQIA_", "MQCACF_", "MQIACF_", "MQBACF_", "MQCACH_", "MQIACH_", "TVN_ATTR_")

# Commands that queue managers of a uniform cluster exchange among
# themselves; an administrator never sends them.
INTERNAL_CLUSTER_COMMANDS = ("MQCMD_INTER_Q_MGR_STATUS", "MQCMD_INTER_Q_MGR_BALANCE")

# Feedback codes from this value up are answered by FeedbackNames alone.
FIRST_FEEDBACK_ONLY_CODE = 500

# Words written in a fixed form, whatever the case rule of the table.
FIXED_WORDS = {
    word: word
    for word in """AIR AMQP API ASID B BMHO BNO BO BSDS CBD CCDT CCSID CD CF CFBF CFBS
    CFCONLOS CFGR CFH CFIF CFIL CFIN CFSF CFSL CFST CHAD CHKCLI CHLAUTH CICS CIH
    CLNTUSER CLROUTE CLUSRCVR CLWL CMHO CNO COA COD CSP CTLO DB2 DBCS DEFCLXQ DH
    DLH DLQ DMHO DMPO DN DSGROUP EPH GMO HTTPS ID IIH IMPO IMS JMS JSSE LDAP MCA
    MD MDE MHBO MQCONN MQGET MQI MQINQ MQOPEN MQPUT MQSC MQSET MQUC MQXR MR NAN
    NHA NPM OCSP OD OK PAN PCF PD PMO PS PSCLUS QMID QSG RAS REVDNS RFH RMH
    RUNCHECK SCO SD SMDS SMDSCONN SMPO SNI SOAP SRO SSL STREAMQ STS TM TMC TOPDEF
    TPIPE UCS2 UOW URL USERSRC WIH WXP XA XCF XEPO XQH XR XWAIT""".split()
}
FIXED_WORDS.update({
    "AXIS": "Axis",
    "CCSIDS": "CCSIDs",
    "DOTNET": ".NET",
    "HBAG": "Hbag",
    "HCONFIG": "Hconfig",
    "HCONN": "Hconn",
    "HMSG": "Hmsg",
    "HOBJ": "Hobj",
    "IPADDR": "IP address",
    "NETBIOS": "NetBIOS",
    "QM": "QMgr",
})

# Pairs of words written as one fixed phrase.
FIXED_PHRASES = {
    ("Q", "MGR"): "QMgr",
    ("MSG", "ID"): "MsgId",
    ("CORREL", "ID"): "CorrelId",
    ("GROUP", "ID"): "GroupId",
    ("CO", "OP"): "co-op",
    ("SUITE", "B"): "Suite B",
}

# Words cut short in IBM's names, and the words they stand for. These follow
# the case rule of the table.
EXPANSIONS = {
    "ALG": "algorithm",
    "ALLOC": "allocation",
    "ALT": "alternate",
    "APPL": "application",
    "ATTR": "attribute",
    "ATTRS": "attributes",
    "CERT": "certificate",
    "CHL": "channel",
    "CLNT": "client",
    "CLUS": "cluster",
    "CMD": "command",
    "CONN": "connection",
    "CONNS": "connections",
    "CONV": "conversion",
    "CONVS": "conversations",
    "COORD": "coordinator",
    "DEF": "default",
    "DEFS": "definitions",
    "DEL": "delete",
    "DEST": "destination",
    "DIR": "directory",
    "DISC": "disconnect",
    "ENC": "encoding",
    "ENV": "environment",
    "ERR": "error",
    "EXCL": "exclusive",
    "GROUPUR": "group ur",
    "HB": "heartbeat",
    "HDR": "header",
    "IDENT": "identity",
    "INST": "instance",
    "INSTS": "instances",
    "INT": "interval",
    "KWD": "keyword",
    "LEN": "length",
    "LSTR": "listener",
    "MCAST": "multicast",
    "MSG": "message",
    "MSGS": "messages",
    "PARM": "parameter",
    "PERFM": "performance",
    "POL": "policy",
    "PRECONN": "preconnect",
    "PROP": "property",
    "PROPS": "properties",
    "PROT": "protection",
    "PUB": "publication",
    "PUBSUB": "pub sub",
    "PWD": "password",
    "RCV": "receive",
    "REC": "record",
    "RECOV": "recovery",
    "RECS": "records",
    "REF": "reference",
    "REG": "registration",
    "REPOS": "repository",
    "REQD": "required",
    "RES": "resolved",
    "SEC": "security",
    "SEQ": "sequence",
    "SERV": "service",
    "SRC": "source",
    "STATS": "statistics",
    "STG": "storage",
    "STRUC": "structure",
    "SUB": "subscription",
    "SUBS": "subscriptions",
    "SUPP": "supported",
    "TARGTYPE": "target type",
    "TERM": "termination",
    "TOPICSTR": "topic string",
    "VAL": "value",
}

# Pairs of words that mean something else than the words alone.
EXPANDED_PHRASES = {
    ("INT", "ATTR"): "integer attribute",
    ("INT", "ATTRS"): "integer attributes",
    ("VAL", "POLICY"): "validation policy",
    ("CLUSRCVR", "DEL"): "CLUSRCVR deleted",
}

REASON_STYLE = "sentence"
COMMAND_STYLE = "title"


def fail(message):
    sys.exit(f"generate_constant_names.py: {message}")


def data_lines(path):
    """Yields (line number, fields) of the lines of a tab-separated file that
    are not comments or blank."""
    for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
        if line.strip() and not line.startswith("#"):
            yield number, line.split("\t")


def read_constants():
    constants = {}
    for number, fields in data_lines(CONSTANTS_FILE):
        if len(fields) != 2 or not fields[0].startswith(FAMILIES):
            fail(f"{CONSTANTS_FILE.name}:{number}: expected an MQRC_, MQRCCF_, MQFB_ or MQCMD_ "
                 "name and a value")
        name, value = fields
        try:
            constants[name] = int(value)
        except ValueError:
            fail(f"{CONSTANTS_FILE.name}:{number}: value of {name} is not a number")
    return constants


def read_parameters():
    """Returns the parameter rows (value, name, label) in file order."""
    rows = []
    labels = set()
    for number, fields in data_lines(PARAMETERS_FILE):
        if len(fields) not in (2, 3) or not fields[0].startswith(PARAMETER_FAMILIES):
            fail(f"{PARAMETERS_FILE.name}:{number}: expected a parameter name, a value and "
                 "maybe a label")
        name = fields[0]
        if not fields[1].lstrip("-").isdigit():
            fail(f"{PARAMETERS_FILE.name}:{number}: value of {name} is not a number")
        if is_range_bound(name):
            continue
        family = next(f for f in PARAMETER_FAMILIES if name.startswith(f))
        label = fields[2] if len(fields) == 3 else name[len(family):]
        if label in labels:
            fail(f"{PARAMETERS_FILE.name}:{number}: second parameter with label {label}")
        labels.add(label)
        rows.append((int(fields[1]), name, label))
    return rows


def read_overrides(constants):
    """Returns the overriding descriptions by name and the unnamed reason rows,
    after checking every code against the constant list."""
    by_name = {}
    unnamed = []
    for number, fields in data_lines(OVERRIDES_FILE):
        if len(fields) != 3 or not fields[2]:
            fail(f"{OVERRIDES_FILE.name}:{number}: expected code, name and description")
        if not fields[0].lstrip("-").isdigit():
            fail(f"{OVERRIDES_FILE.name}:{number}: code is not a number")
        code, name, description = int(fields[0]), fields[1], fields[2]
        if not name:
            unnamed.append((code, "", description))
            continue
        if constants.get(name) != code:
            fail(f"{OVERRIDES_FILE.name}:{number}: {name} is not a constant with value {code}")
        if name in by_name:
            fail(f"{OVERRIDES_FILE.name}:{number}: second description for {name}")
        by_name[name] = description
    return by_name, unnamed


def family_of(name):
    return next(f for f in FAMILIES if name.startswith(f))


def phrase_words(words, style):
    """Turns the words of a symbolic name into the pieces of a description,
    each marked whether the case rule may change it."""
    pieces = []
    i = 0
    while i < len(words):
        for phrases, fixed in ((FIXED_PHRASES, True), (EXPANDED_PHRASES, False)):
            pair = tuple(words[i:i + 2])
            if pair in phrases:
                pieces.append((phrases[pair], fixed))
                i += 2
                break
        else:
            word = words[i]
            if word == "Q":
                pieces.append(("Q", True) if style == COMMAND_STYLE else ("queue", False))
            elif word in FIXED_WORDS:
                pieces.append((FIXED_WORDS[word], True))
            else:
                pieces.append((EXPANSIONS.get(word, word).lower(), False))
            i += 1
    return pieces


def derived_description(name, style):
    words = name[len(family_of(name)):].split("_")
    parts = []
    for position, (text, fixed) in enumerate(phrase_words(words, style)):
        if fixed:
            parts.append(text)
        elif style == COMMAND_STYLE:
            parts.append(" ".join(w[:1].upper() + w[1:] for w in text.split(" ")))
        elif position == 0:
            parts.append(text[:1].upper() + text[1:])
        else:
            parts.append(text)
    return " ".join(parts)


def is_range_bound(name):
    return name.endswith(("_FIRST", "_LAST", "_LAST_USED"))


def build_tables(constants, overrides, unnamed):
    def rows(prefix, style, keep=lambda name, code: True):
        names = sorted(n for n, code in constants.items()
                       if family_of(n) == prefix and not is_range_bound(n) and keep(n, code))
        return [(constants[n], n, overrides.get(n) or derived_description(n, style))
                for n in names]

    feedback = rows("MQFB_", REASON_STYLE, lambda name, code: name != "MQFB_NONE")
    reasons = (rows("MQRC_", REASON_STYLE) + rows("MQRCCF_", REASON_STYLE) + unnamed +
               [row for row in feedback if row[0] < FIRST_FEEDBACK_ONLY_CODE])
    commands = rows("MQCMD_", COMMAND_STYLE,
                    lambda name, code: name not in INTERNAL_CLUSTER_COMMANDS)
    commands += [(constants[n], n, overrides.get(n) or derived_description(n, COMMAND_STYLE))
                 for n in INTERNAL_CLUSTER_COMMANDS]
    return reasons, [(0, "", "")] + feedback, commands


def c_string(text):
    if any(c in text for c in '"\\') or not text.isprintable() or not text.isascii():
        fail(f"description or name not plain printable ASCII: {text!r}")
    return f'"{text}"'


def render(tables):
    out = [
        "// The constant name tables: IBM MQ's reason, feedback and PCF command codes",
        "// with their symbolic names and descriptions, and the PCF parameter names.",
        "// Generated by generate_constant_names.py from mq_constants.tsv,",
        "// description_overrides.tsv and parameter_constants.tsv; edit those and run",
        "// the script, not this file.",
        '#include "pcf/names/constant_name_tables.h"',
        "",
        "namespace {",
        "",
        "// clang-format off",
    ]
    for array, rows in tables:
        out.append(f"constexpr ConstantNameRow {array}[] = {{")
        for code, name, description in rows:
            out.append(f"    {{{code}, {c_string(name)}, {c_string(description)}}},")
        out.append("};")
        out.append("")
    out[-1:] = ["// clang-format on", "", "}  // namespace", ""]
    for (array, rows), table in zip(tables, ("ReasonNames", "FeedbackNames", "CommandNames",
                                            "ParameterNames")):
        out.append(f"constinit const ConstantNameTable {table}{{{array}}};")
    return "\n".join(out) + "\n"


def main(argv):
    if argv not in ([], ["--check"]):
        fail("usage: generate_constant_names.py [--check]")
    constants = read_constants()
    overrides, unnamed = read_overrides(constants)
    reasons, feedback, commands = build_tables(constants, overrides, unnamed)
    unused = set(overrides) - {name for rows in (reasons, feedback, commands) for _, name, _ in rows}
    if unused:
        fail(f"{OVERRIDES_FILE.name}: no table has a row for {', '.join(sorted(unused))}")
    parameters = read_parameters()
    text = render((("kReasonRows", reasons), ("kFeedbackRows", feedback),
                   ("kCommandRows", commands), ("kParameterRows", parameters)))
    if argv == ["--check"]:
        current = OUTPUT_FILE.read_text(encoding="utf-8") if OUTPUT_FILE.exists() else ""
        if current != text:
            fail(f"{OUTPUT_FILE.name} is out of date; run generate_constant_names.py")
        return
    OUTPUT_FILE.write_text(text, encoding="utf-8")
    print(f"{OUTPUT_FILE.name}: {len(reasons)} reason rows, {len(feedback)} feedback rows, "
          f"{len(commands)} command rows, {len(parameters)} parameter rows")


if __name__ == "__main__":
    main(sys.argv[1:])
