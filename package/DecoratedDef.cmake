# Writes the module definition with each export under the name a client's
# call uses (`Name@N` for a 32-bit WINAPI function, the plain name in 64-bit
# code), read from the symbols an object compiled against the header asks
# for. Run at build time: cmake -DNM=<nm> -DOBJECTS=<objs> -DDEF=<def> -DOUT=<def> -P
execute_process(COMMAND ${NM} -u ${OBJECTS} OUTPUT_VARIABLE undefined_symbols
                RESULT_VARIABLE nm_status)
if(NOT nm_status EQUAL 0)
  message(FATAL_ERROR "${NM} could not read ${OBJECTS}")
endif()
string(REGEX MATCHALL "[^ \t\r\n]+" symbols "${undefined_symbols}")

file(STRINGS ${DEF} def_lines)
get_filename_component(def_name ${DEF} NAME)
set(text "; Generated from ${def_name}: the exports under their callers' names.\n")
foreach(line IN LISTS def_lines)
  string(STRIP "${line}" line)
  if(line MATCHES "^(LIBRARY|EXPORTS)")
    string(APPEND text "${line}\n")
    continue()
  endif()
  # The name, then whatever follows it on the line (an ordinal, PRIVATE).
  if(NOT line MATCHES "^([A-Za-z_][A-Za-z0-9_]*)([^;]*)")
    continue()
  endif()
  set(entry ${CMAKE_MATCH_1})
  set(attributes "${CMAKE_MATCH_2}")
  set(decorated "")
  foreach(symbol IN LISTS symbols)
    # __imp_ when called through the import table; _ before every 32-bit C name.
    if(symbol MATCHES "^(__imp_)?_?${entry}(@[0-9]+)?$")
      set(decorated "${entry}${CMAKE_MATCH_2}")
      break()
    endif()
  endforeach()
  if(decorated STREQUAL "")
    message(FATAL_ERROR "${entry} is exported but the public header does not declare it")
  endif()
  string(APPEND text "    ${decorated}${attributes}\n")
endforeach()
file(WRITE ${OUT} "${text}")
