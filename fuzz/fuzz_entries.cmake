# The fuzz entries as a library of their own, shared by the libFuzzer targets (fuzz/) and the regression
# test that replays the corpus in every ordinary build (tests/robustness/). Whichever folder comes first
# defines it.
if(NOT TARGET novawick_fuzz_entries)
  add_library(novawick_fuzz_entries STATIC
    ${PROJECT_SOURCE_DIR}/fuzz/entries/html_entries.cpp
    ${PROJECT_SOURCE_DIR}/fuzz/entries/net_entry.cpp
    ${PROJECT_SOURCE_DIR}/fuzz/entries/records_entries.cpp
    ${PROJECT_SOURCE_DIR}/fuzz/entries/site_entry.cpp
    ${PROJECT_SOURCE_DIR}/fuzz/entries/targets.cpp
    ${PROJECT_SOURCE_DIR}/fuzz/entries/zip_entry.cpp
  )
  target_include_directories(novawick_fuzz_entries PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(novawick_fuzz_entries PUBLIC html net QuilletApi content pages zip)
  novawick_warnings(novawick_fuzz_entries)
endif()
