// PCF reason codes that the MQSC interpreter reports or understands and that
// the shared PCF header (mq/pcf.h) does not carry, with the values of IBM MQ
// 9.4.1.1. They live in this namespace so that they cannot collide with the
// same names should the shared header gain them.
#pragma once

#include <cmqc.h>

namespace mqemu::mqsc {

constexpr MQLONG MQRCCF_OBJECT_IN_USE = 3160;
constexpr MQLONG MQRCCF_PARM_VALUE_ERROR = 3229;
constexpr MQLONG MQRCCF_OBJECT_OPEN = 4004;

}  // namespace mqemu::mqsc
