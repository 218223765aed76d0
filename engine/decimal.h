// Decimal conversion of the fixed-width number fields of the engine's files.
#pragma once

#include "formats/fixed_fields.h"
#include "formats/status_record.h"

namespace kvt::engine {

using formats::ParseDecimal;
using formats::StatusNumber;
using formats::ZeroPadded;

}  // namespace kvt::engine
