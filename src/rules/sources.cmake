# Files without any Windows call. The native build compiles exactly these
# under the sanitizers; tests/native holds their tests.
set(PELLUMARA_RULES_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/code_page_characters.cpp
  ${CMAKE_CURRENT_LIST_DIR}/text_rules.cpp
  ${CMAKE_CURRENT_LIST_DIR}/option_reader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/folder_chain_rules.cpp
  ${CMAKE_CURRENT_LIST_DIR}/folder_trust_rules.cpp
  ${CMAKE_CURRENT_LIST_DIR}/wizard_choices.cpp
  ${CMAKE_CURRENT_LIST_DIR}/format_catalogue.cpp
  ${CMAKE_CURRENT_LIST_DIR}/integration_texts.cpp
  ${CMAKE_CURRENT_LIST_DIR}/integration_choices.cpp
  ${CMAKE_CURRENT_LIST_DIR}/payload_rules.cpp
  ${CMAKE_CURRENT_LIST_DIR}/upgrade_rules.cpp
  ${CMAKE_CURRENT_LIST_DIR}/restart_list_rules.cpp
  ${CMAKE_CURRENT_LIST_DIR}/environment_expansion.cpp
  ${CMAKE_CURRENT_LIST_DIR}/toolbar_skin_rules.cpp
  ${CMAKE_CURRENT_LIST_DIR}/wizard_rules.cpp
  ${CMAKE_CURRENT_LIST_DIR}/control_rules.cpp
  ${CMAKE_CURRENT_LIST_DIR}/run_log_rules.cpp
  ${CMAKE_CURRENT_LIST_DIR}/default_associations.cpp
  ${CMAKE_CURRENT_LIST_DIR}/installation_plan_rules.cpp
)
