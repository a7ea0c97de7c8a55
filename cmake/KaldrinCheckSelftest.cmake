# Compares a tool's self-test report with the bytes the tool declares. Either
# runs the self-test program (app/selftest_main.cpp, made by kaldrin_add_tool)
# in an empty folder first:
#   cmake -DPROGRAM=<program> [-DEMULATOR=<runner>] -DEXPECTED=<file> -DWORK=<folder>
#         -P KaldrinCheckSelftest.cmake
# or compares a report written elsewhere (the release checks):
#   cmake -DWRITTEN=<report> [-DRUN_DAY=<YYYY-MM-DD>] -DEXPECTED=<file> -P KaldrinCheckSelftest.cmake
# Fails unless the self-test exits with 0 and the bytes are the same.
#
# A report that shows dates counted from today (a follow-up plan) cannot hold
# them in a file: the expected file writes such a date as {today+N} or
# {today-N} (N days from the local date, {today} for today itself), and the
# comparison puts the date in, as YYYY-MM-DD. The day is taken when the
# program starts (RUN_DAY, for a report written elsewhere) and once more when
# the report is compared, so that a run across midnight matches either day;
# any other day fails.

if("${EXPECTED}" STREQUAL "")
  message(FATAL_ERROR "KaldrinCheckSelftest: -DEXPECTED=... is required")
endif()
if("${WRITTEN}" STREQUAL "" AND ("${PROGRAM}" STREQUAL "" OR "${WORK}" STREQUAL ""))
  message(FATAL_ERROR "KaldrinCheckSelftest: -DPROGRAM=... and -DWORK=..., or -DWRITTEN=..., are required")
endif()

# The local date, not a build's fixed time.
unset(ENV{SOURCE_DATE_EPOCH})

# The day number of a civil date, day 0 = 1970-01-01 (years after 0).
function(_kaldrin_days_from_civil out year month day)
  if(month LESS_EQUAL 2)
    math(EXPR year "${year} - 1")
    math(EXPR month "${month} + 9")
  else()
    math(EXPR month "${month} - 3")
  endif()
  math(EXPR era "${year} / 400")
  math(EXPR yoe "${year} - ${era} * 400")
  math(EXPR doy "(153 * ${month} + 2) / 5 + ${day} - 1")
  math(EXPR doe "${yoe} * 365 + ${yoe} / 4 - ${yoe} / 100 + ${doy}")
  math(EXPR days "${era} * 146097 + ${doe} - 719468")
  set(${out} ${days} PARENT_SCOPE)
endfunction()

# The civil date YYYY-MM-DD of a day number (dates after year 0).
function(_kaldrin_civil_from_days out days)
  math(EXPR z "${days} + 719468")
  math(EXPR era "${z} / 146097")
  math(EXPR doe "${z} - ${era} * 146097")
  math(EXPR yoe "(${doe} - ${doe} / 1460 + ${doe} / 36524 - ${doe} / 146096) / 365")
  math(EXPR year "${yoe} + ${era} * 400")
  math(EXPR doy "${doe} - (365 * ${yoe} + ${yoe} / 4 - ${yoe} / 100)")
  math(EXPR mp "(5 * ${doy} + 2) / 153")
  math(EXPR day "${doy} - (153 * ${mp} + 2) / 5 + 1")
  if(mp LESS 10)
    math(EXPR month "${mp} + 3")
  else()
    math(EXPR month "${mp} - 9")
    math(EXPR year "${year} + 1")
  endif()
  string(LENGTH "${month}" length)
  if(length EQUAL 1)
    set(month "0${month}")
  endif()
  string(LENGTH "${day}" length)
  if(length EQUAL 1)
    set(day "0${day}")
  endif()
  set(${out} "${year}-${month}-${day}" PARENT_SCOPE)
endfunction()

# The day number of a YYYY-MM-DD text.
function(_kaldrin_day_number out date)
  if(NOT date MATCHES "^([0-9][0-9][0-9][0-9])-([0-9][0-9])-([0-9][0-9])$")
    message(FATAL_ERROR "KaldrinCheckSelftest: '${date}' is not a date YYYY-MM-DD")
  endif()
  set(year "${CMAKE_MATCH_1}")
  set(month "${CMAKE_MATCH_2}")
  set(day "${CMAKE_MATCH_3}")
  # Without leading zeros, which math() would not read as decimal everywhere.
  string(REGEX REPLACE "^0+" "" year "${year}")
  string(REGEX REPLACE "^0" "" month "${month}")
  string(REGEX REPLACE "^0" "" day "${day}")
  _kaldrin_days_from_civil(days ${year} ${month} ${day})
  set(${out} ${days} PARENT_SCOPE)
endfunction()

# The bytes of a file as hex pairs, each followed by a blank, so that a text
# found in it is found at a byte boundary. (A file read as text loses its CRs.)
function(_kaldrin_file_bytes out file)
  file(READ "${file}" hex HEX)
  string(REGEX REPLACE "(..)" "\\1 " hex "${hex}")
  set(${out} "${hex}" PARENT_SCOPE)
endfunction()

function(_kaldrin_text_bytes out text)
  string(HEX "${text}" hex)
  string(REGEX REPLACE "(..)" "\\1 " hex "${hex}")
  set(${out} "${hex}" PARENT_SCOPE)
endfunction()

# The expected bytes with each {today±N} replaced by its date for the given
# day number.
function(_kaldrin_expected_for out expected day_number)
  _kaldrin_file_bytes(bytes "${expected}")
  file(STRINGS "${expected}" lines REGEX "{today([+-][0-9]+)?}")
  string(REGEX MATCHALL "{today([+-][0-9]+)?}" tokens "${lines}")
  list(REMOVE_DUPLICATES tokens)
  foreach(token IN LISTS tokens)
    set(offset 0)
    if(token MATCHES "^{today\\+?(-?[0-9]+)}$")
      set(offset "${CMAKE_MATCH_1}")
    endif()
    math(EXPR days "${day_number} + ${offset}")
    _kaldrin_civil_from_days(date ${days})
    _kaldrin_text_bytes(token_bytes "${token}")
    _kaldrin_text_bytes(date_bytes "${date}")
    string(REPLACE "${token_bytes}" "${date_bytes}" bytes "${bytes}")
  endforeach()
  set(${out} "${bytes}" PARENT_SCOPE)
endfunction()

string(TIMESTAMP today "%Y-%m-%d")
if("${WRITTEN}" STREQUAL "")
  file(REMOVE_RECURSE "${WORK}")
  file(MAKE_DIRECTORY "${WORK}")
  set(run_day "${today}")
  execute_process(COMMAND ${EMULATOR} "${PROGRAM}" WORKING_DIRECTORY "${WORK}" RESULT_VARIABLE code)
  if(NOT code STREQUAL "0")
    message(FATAL_ERROR "the self-test of ${PROGRAM} exited with ${code}, not 0")
  endif()
  set(WRITTEN "${WORK}/selftest.txt")
  string(TIMESTAMP today "%Y-%m-%d")
else()
  set(run_day "${RUN_DAY}")
  if(run_day STREQUAL "")
    set(run_day "${today}")
  endif()
endif()
if(NOT EXISTS "${WRITTEN}")
  message(FATAL_ERROR "the self-test wrote no report ${WRITTEN}")
endif()

_kaldrin_file_bytes(written "${WRITTEN}")
set(expected "")
foreach(day IN ITEMS "${run_day}" "${today}")
  _kaldrin_day_number(day_number "${day}")
  _kaldrin_expected_for(expected "${EXPECTED}" ${day_number})
  if(written STREQUAL expected)
    return()
  endif()
endforeach()
string(REPLACE " " "" written "${written}")
string(REPLACE " " "" expected "${expected}")
message(FATAL_ERROR "the self-test report differs from ${EXPECTED}\n"
                    "expected: ${expected}\nwritten:  ${written}")
