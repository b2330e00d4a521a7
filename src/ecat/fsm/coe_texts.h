#pragma once
#include <cstdint>

namespace ecat {

// Text of an SDO abort code (CiA 301); nullptr when unknown.
const char* sdo_abort_text(uint32_t code);

} // namespace ecat
