# Writes the virtual address of SYMBOL in IMAGE, as nm lists it, to OUTPUT:
# upper-case hex without leading zeros, the way the Address field takes it.
execute_process(
  COMMAND ${NM} ${IMAGE}
  OUTPUT_VARIABLE symbols
  RESULT_VARIABLE status
)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${NM} failed on ${IMAGE}")
endif()
string(REGEX MATCH "(^|\n)([0-9A-Fa-f]+) [A-Za-z] ${SYMBOL}(\n|$)" line "${symbols}")
if(NOT line)
  message(FATAL_ERROR "${SYMBOL} not found in ${IMAGE}")
endif()
string(TOUPPER "${CMAKE_MATCH_2}" address)
# REGEX REPLACE would apply a "^" again after each match; a match of the
# significant digits cannot go wrong that way.
string(REGEX MATCH "[1-9A-F][0-9A-F]*$" address "${address}")
if(address STREQUAL "")
  set(address 0)
endif()
file(WRITE ${OUTPUT} "${address}\n")
