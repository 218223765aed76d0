# kvt_add_qt_test_classes(PROGRAM UNIT class... E2E class...)
# Lists each QtTest class of PROGRAM as a ctest test of its own, PROGRAM.CLASS, labelled unit
# (in process) or e2e (runs the product's programs), so that classes run in parallel and a slow
# or hanging class is seen by its name. PROGRAM.classes fails when the program holds a class
# that is not listed here, which would otherwise never run under ctest.
function(kvt_add_qt_test_classes program)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "UNIT;E2E")
  set(environment
      "QT_QPA_PLATFORM=offscreen;XDG_RUNTIME_DIR=${CMAKE_CURRENT_BINARY_DIR}/qt-runtime")
  list(APPEND environment ${KVT_QT_TEST_ENV})
  # Under Wine the program is started through the emulator and its lines end in CR LF.
  set(run "")
  if(CMAKE_CROSSCOMPILING_EMULATOR)
    list(JOIN CMAKE_CROSSCOMPILING_EMULATOR " " run)
  endif()
  list(JOIN KVT_QT_TEST_ARGS " " qt_args)
  set(listed "")
  foreach(label unit e2e)
    string(TOUPPER ${label} key)
    foreach(class IN LISTS arg_${key})
      if(CMAKE_CROSSCOMPILING_EMULATOR)
        # Under Wine a windowed test's report reaches neither standard output nor the error
        # output: it is written to a file, shown once the test has run.
        set(log ${CMAKE_CURRENT_BINARY_DIR}/${program}.${class}.txt)
        string(REPLACE "/" "\\" wine_log "Z:${log}")
        add_test(NAME ${program}.${class}
                 COMMAND sh -c "rm -f \"$1\"; ${run} \"$0\" ${qt_args} --class ${class} -o \"$2,txt\"; rc=$?; cat \"$1\"; exit $rc"
                         $<TARGET_FILE:${program}> ${log} ${wine_log})
      else()
        add_test(NAME ${program}.${class} COMMAND ${program} ${KVT_QT_TEST_ARGS} --class ${class})
      endif()
      set_tests_properties(${program}.${class} PROPERTIES
        LABELS ${label} TIMEOUT 300 ENVIRONMENT "${environment}")
      if(WIN32)
        # The tests share the registry of the Wine prefix with the other parts' tests.
        set_tests_properties(${program}.${class} PROPERTIES RESOURCE_LOCK machine_registry)
      endif()
      list(APPEND listed ${class})
    endforeach()
  endforeach()
  list(SORT listed)
  string(REPLACE ";" "\n" expected "${listed}")
  add_test(NAME ${program}.classes
           COMMAND sh -c "${run} \"$0\" ${qt_args} --list-classes 2>/dev/null | tr -d '\\r' | LC_ALL=C sort"
           $<TARGET_FILE:${program}>)
  set_tests_properties(${program}.classes PROPERTIES
    LABELS unit ENVIRONMENT "${environment}" PASS_REGULAR_EXPRESSION "^${expected}\n$")
endfunction()
