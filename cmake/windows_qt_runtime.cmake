# What the windowed programs need beside them on Windows: Qt's DLLs, its windows platform plugin
# and style, and the MinGW runtime DLLs that Qt's DLLs (not the programs: those link the runtime
# statically) are built against. `cmake --install` puts them beside the programs, so the folder
# runs on a machine with nothing else. The tests run under Wine with a copy of the same in the
# build folder, found through WINEPATH (Wine's PATH addition).
#   KVT_QT_TEST_ARGS      Qt options of a test program (QT_* variables do not reach it in Wine)
#   KVT_QTEST_LOG_ARGS    QtTest options that send its report to standard output
#   KVT_QT_TEST_ENV       ctest ENVIRONMENT entries that let a test program find Qt

function(_kvt_imported_location target out)
  set(${out} "" PARENT_SCOPE)
  if(NOT TARGET ${target})
    return()
  endif()
  foreach(property IMPORTED_LOCATION_RELEASE IMPORTED_LOCATION_RELWITHDEBINFO IMPORTED_LOCATION)
    get_target_property(location ${target} ${property})
    if(location)
      set(${out} "${location}" PARENT_SCOPE)
      return()
    endif()
  endforeach()
endfunction()

# The runtime DLLs, from the compiler's own folders.
set(KVT_MINGW_RUNTIME_DLLS "")
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                  OUTPUT_VARIABLE location OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT IS_ABSOLUTE "${location}" OR NOT EXISTS "${location}")
    message(FATAL_ERROR "MinGW runtime ${dll} not found")
  endif()
  get_filename_component(location "${location}" REALPATH)
  list(APPEND KVT_MINGW_RUNTIME_DLLS "${location}")
endforeach()

set(KVT_QT_DLLS "")
foreach(module Core Gui Widgets)
  _kvt_imported_location(Qt6::${module} location)
  list(APPEND KVT_QT_DLLS "${location}")
endforeach()
_kvt_imported_location(Qt6::QWindowsIntegrationPlugin KVT_QT_WINDOWS_PLUGIN)
_kvt_imported_location(Qt6::QOffscreenIntegrationPlugin KVT_QT_OFFSCREEN_PLUGIN)
_kvt_imported_location(Qt6::QWindowsVistaStylePlugin KVT_QT_STYLE_PLUGIN)
if(NOT KVT_QT_WINDOWS_PLUGIN)
  message(FATAL_ERROR "Qt's windows platform plugin is missing from ${CMAKE_PREFIX_PATH}")
endif()

install(FILES ${KVT_QT_DLLS} ${KVT_MINGW_RUNTIME_DLLS} DESTINATION .)
# --strip strips only the product's own programs: the DLLs are stripped here (the runtime's
# debug information alone is over 20 MB).
foreach(dll ${KVT_QT_DLLS} ${KVT_MINGW_RUNTIME_DLLS})
  get_filename_component(name "${dll}" NAME)
  install(CODE "if(CMAKE_INSTALL_DO_STRIP)
    execute_process(COMMAND \"${CMAKE_STRIP}\" \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${name}\")
  endif()")
endforeach()
install(FILES ${KVT_QT_WINDOWS_PLUGIN} DESTINATION platforms)
if(KVT_QT_STYLE_PLUGIN)
  install(FILES ${KVT_QT_STYLE_PLUGIN} DESTINATION styles)
endif()

# The tests' copy: Qt looks for its plugins in ../plugins of the folder that holds Qt6Core.dll.
set(runtime ${PROJECT_BINARY_DIR}/qt-runtime)
file(COPY ${KVT_QT_DLLS} ${KVT_MINGW_RUNTIME_DLLS} DESTINATION ${runtime}/bin)
_kvt_imported_location(Qt6::Test location)
file(COPY ${location} DESTINATION ${runtime}/bin)
file(COPY ${KVT_QT_WINDOWS_PLUGIN} ${KVT_QT_OFFSCREEN_PLUGIN}
     DESTINATION ${runtime}/plugins/platforms)
if(KVT_QT_STYLE_PLUGIN)
  file(COPY ${KVT_QT_STYLE_PLUGIN} DESTINATION ${runtime}/plugins/styles)
endif()
# Qt's offscreen platform, which the tests use, draws text only with fonts from lib/fonts.
file(GLOB fonts /usr/share/fonts/truetype/dejavu/DejaVuSans*.ttf)
if(fonts)
  file(COPY ${fonts} DESTINATION ${runtime}/lib/fonts)
endif()
string(REPLACE "/" "\\" wine_path "Z:${runtime}/bin")
set(KVT_QT_TEST_ENV "WINEPATH=${wine_path}")
set(KVT_QT_TEST_ARGS -platform offscreen)
# QtTest writes its report for a debugger when the program has no console of its own; ctest
# shows it only from standard output.
set(KVT_QTEST_LOG_ARGS -o -,txt)
