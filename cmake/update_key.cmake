# The public key update files must be signed with, built into Corvane and the updater.
#
# CORVANE_UPDATE_KEY_FILE names a key file as `update_sign keygen` writes it (the first line holds
# the key as 64 hexadecimal characters). Left empty, data/update_key.pub is used when the source
# tree has one; without any key the programs accept unsigned update files.
set(CORVANE_UPDATE_KEY_FILE "" CACHE FILEPATH "Public key file that update files must be signed with")

set(_key_file "${CORVANE_UPDATE_KEY_FILE}")
if(NOT _key_file AND EXISTS "${PROJECT_SOURCE_DIR}/data/update_key.pub")
  set(_key_file "${PROJECT_SOURCE_DIR}/data/update_key.pub")
endif()

set(CORVANE_UPDATE_PUBLIC_KEY "")
if(_key_file)
  if(NOT EXISTS "${_key_file}")
    message(FATAL_ERROR "update key file ${_key_file} does not exist")
  endif()
  file(STRINGS "${_key_file}" _key_lines LIMIT_COUNT 1)
  string(STRIP "${_key_lines}" _key)
  if(NOT _key MATCHES "^[0-9a-fA-F]+$")
    message(FATAL_ERROR "${_key_file} holds no update key (64 hexadecimal characters expected)")
  endif()
  string(LENGTH "${_key}" _key_length)
  if(NOT _key_length EQUAL 64)
    message(FATAL_ERROR "${_key_file} holds no update key (64 hexadecimal characters expected)")
  endif()
  set(CORVANE_UPDATE_PUBLIC_KEY "${_key}")
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${_key_file}")
  message(STATUS "Update files must be signed by the key in ${_key_file}")
else()
  message(STATUS "No update key: update files are accepted unsigned")
endif()

configure_file(${CMAKE_CURRENT_LIST_DIR}/update_key.h.in ${CMAKE_BINARY_DIR}/generated/update_key.h @ONLY)
add_library(update_key INTERFACE)
target_include_directories(update_key INTERFACE ${CMAKE_BINARY_DIR}/generated)
