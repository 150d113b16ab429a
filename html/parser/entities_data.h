// The packed entity tables, written by scripts/gen-entities into entities_data.cpp.
#pragma once

#include <string_view>

namespace novawick::html::entity_data {

extern const std::string_view kXhtmlPacked;
extern const std::string_view kBasePacked;
extern const std::string_view kExtendedPacked;

}  // namespace novawick::html::entity_data
