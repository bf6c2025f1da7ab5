# cmake -DSQLITE3=<sqlite3> -DSCHEMA=<schema.sql> -DROWS=<rows.sql> -DOUTPUT=<file> -P build_template.cmake
#
# Builds the template database into a temporary file beside OUTPUT and
# renames it over OUTPUT only when every statement ran, so a failed build
# never leaves a half-filled template in the program folder. The file is
# created with mode 0600 before anything is written into it.
foreach(_v SQLITE3 SCHEMA ROWS OUTPUT)
  if(NOT DEFINED ${_v})
    message(FATAL_ERROR "build_template.cmake: ${_v} is not set")
  endif()
endforeach()

set(_tmp "${OUTPUT}.tmp")
file(REMOVE "${_tmp}" "${_tmp}-journal")
file(TOUCH "${_tmp}")
file(CHMOD "${_tmp}" PERMISSIONS OWNER_READ OWNER_WRITE)

# Backups are plain file copies, so the file must never be in WAL mode.
# Examination rows are about a kilobyte: pages of 16 KiB hold fifteen of
# them where 4 KiB pages hold three and leave a quarter empty, and a scan of
# the table reads a sixth less and makes a quarter as many reads.
execute_process(
  COMMAND "${SQLITE3}" -bail -batch "${_tmp}"
          "PRAGMA page_size=16384;"
          "PRAGMA journal_mode=DELETE;"
          ".read '${SCHEMA}'"
          ".read '${ROWS}'"
          "PRAGMA integrity_check;"
  RESULT_VARIABLE _rc
  OUTPUT_VARIABLE _out
  ERROR_VARIABLE _err)

string(STRIP "${_out}" _out)
if(NOT _rc EQUAL 0 OR NOT _err STREQUAL "" OR NOT _out STREQUAL "delete\nok")
  file(REMOVE "${_tmp}" "${_tmp}-journal")
  message(FATAL_ERROR "Template database not built (exit ${_rc}):\n${_err}${_out}")
endif()

file(RENAME "${_tmp}" "${OUTPUT}")
