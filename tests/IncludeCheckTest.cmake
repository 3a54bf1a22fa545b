# Runs the core's include check over a miniature core that breaks each of its rules and expects
# it to refuse every offence, and nothing that keeps the rules.
# Inputs: CHECK_SCRIPT, QT_INCLUDE_ROOT, DATA_DIR, WORK_DIR.
execute_process(
  COMMAND ${CMAKE_COMMAND} -DQT_INCLUDE_ROOT=${QT_INCLUDE_ROOT} -DCORE_DIR=${DATA_DIR}
          -DSTAMP=${WORK_DIR}/include-check.stamp -P ${CHECK_SCRIPT}
  RESULT_VARIABLE result ERROR_VARIABLE output)
if(result EQUAL 0)
  message(FATAL_ERROR "the include check accepted a core that breaks its rules")
endif()
foreach(expected "low/Low.h: high/High.h goes up from low/" "low/Low.h: QWidget is a GUI or widget header"
                 "stray/ is in no layer")
  string(FIND "${output}" "${expected}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the include check did not say \"${expected}\":\n${output}")
  endif()
endforeach()
string(FIND "${output}" "high/High.h: low/Low.h" at)
if(NOT at EQUAL -1)
  message(FATAL_ERROR "the include check refused an include that goes down a layer:\n${output}")
endif()
