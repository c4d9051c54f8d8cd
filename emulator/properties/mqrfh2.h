// Message properties in an MQRFH2 header: how IBM MQ hands them to a getter
// that asks for them there instead of in a message handle, and how it takes
// them from one (MQBUFMH, or a message put with an MQRFH2 and got into a
// handle).
//
// An MQRFH2 is the fixed part that cmqc.h declares (StrucId "RFH ", Version
// 2, StrucLength of the whole header, the Encoding, CodedCharSetId and
// Format of the data after it, Flags, NameValueCCSID), then folders, each
// an MQLONG NameValueLength and that many bytes of NameValueData, blank
// padded to a multiple of 4. A folder is one element, <usr>...</usr>; the
// property folders are usr, jms, mcd and mqext, and each leaf element in
// them is a property, its type in a dt attribute (none for a string) and a
// null value as xsi:nil='true':
//
//   <usr><Colour>blue</Colour><Count dt='i4'>3</Count><Gone xsi:nil='true'></Gone></usr>
//
// A dotted name nests: "a.b" of usr is <usr><a><b>...</b></a></usr>, and
// "jms.Dst" is <jms><Dst>...</Dst></jms>.
#pragma once

#include <cmqc.h>

#include <string>
#include <string_view>

#include "properties/property_list.h"

namespace mqemu::properties {

// The MQRFH2 header that holds `list`, before data of md's Encoding,
// CodedCharSetId and Format.
std::string BuildMqrfh2(const PropertyList& list, const MQMD& md);

// The message as a getter that wants its properties in an MQRFH2 sees it:
// the header before the data, md's Format MQFMT_RF_HEADER_2 and Encoding
// native. Nothing changes when the list is empty.
void PrependMqrfh2(const PropertyList& list, MQMD* md, std::string* data);

// Takes the properties out of the MQRFH2 at the start of data (md's Format
// MQFMT_RF_HEADER_2) and adds them to *list. With `remove`, the property
// folders leave the header, and when no other folder is left the header
// goes and md takes its Encoding, CodedCharSetId and Format. Returns
// MQRC_NONE, or with nothing changed MQRC_RFH_ERROR (not an MQRFH2, or its
// lengths do not fit the data) or MQRC_RFH_FORMAT_ERROR (a property folder
// that does not parse).
MQLONG TakeMqrfh2Properties(MQMD* md, std::string* data, PropertyList* list, bool remove);

}  // namespace mqemu::properties
