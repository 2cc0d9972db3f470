# wxWidgets through wx-config: two interface targets, the non-GUI base (for
# the settings file in tools and tests) and the GUI with its GL canvas.
find_program(WX_CONFIG wx-config REQUIRED)

function(oxv_wx_target name libs)
  execute_process(COMMAND ${WX_CONFIG} --cxxflags ${libs}
                  OUTPUT_VARIABLE cflags OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  execute_process(COMMAND ${WX_CONFIG} --libs ${libs}
                  OUTPUT_VARIABLE lflags OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  separate_arguments(cflags UNIX_COMMAND "${cflags}")
  separate_arguments(lflags UNIX_COMMAND "${lflags}")
  add_library(${name} INTERFACE)
  foreach(flag IN LISTS cflags)
    if(flag MATCHES "^-I(.*)")
      target_include_directories(${name} SYSTEM INTERFACE ${CMAKE_MATCH_1})
    elseif(flag MATCHES "^-D(.*)")
      target_compile_definitions(${name} INTERFACE ${CMAKE_MATCH_1})
    else()
      target_compile_options(${name} INTERFACE ${flag})
    endif()
  endforeach()
  target_link_libraries(${name} INTERFACE ${lflags})
endfunction()

oxv_wx_target(oxv_wx_base base)
oxv_wx_target(oxv_wx_gui "gl,core,net,base")
