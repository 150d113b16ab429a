# The tree builder's sources, added to the `html` library beside the tokeniser's (paths relative to
# html/, where this file is included).
target_sources(html PRIVATE
  parser/html_tree_builder.cpp
  parser/html_tree_builder_adoption.cpp
  parser/html_tree_builder_scopes.cpp
  parser/html_tree_builder_state.cpp
  parser/modes/after_modes.cpp
  parser/modes/document_start_modes.cpp
  parser/modes/head_modes.cpp
  parser/modes/in_body.cpp
  parser/modes/in_body_end_tags.cpp
  parser/modes/in_body_start_tags.cpp
  parser/modes/select_modes.cpp
  parser/modes/table_body_modes.cpp
  parser/modes/table_modes.cpp
  parser/parser.cpp
  parser/tree_builder.cpp
  parser/tree_builder_formatting.cpp
  parser/tree_builder_open_elements.cpp
)
