// The values of the attributes that an object keeps only to report them:
// descriptions, cluster names, event switches, statistics and accounting
// settings and the like, which nothing in the stand-in acts upon. They are
// kept by selector, and only once set: an attribute that is not here has
// the default of its row (objects/attribute_row.h). Guarded as the object
// that holds them.
#pragma once

#include <cmqc.h>

#include <map>
#include <string>

namespace mqemu::objects {

struct KeptValues {
  std::map<MQLONG, MQLONG> numbers;
  std::map<MQLONG, std::string> texts;  // without trailing blanks
};

}  // namespace mqemu::objects
