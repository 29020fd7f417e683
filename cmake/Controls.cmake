# The controls a user reads about, written from one table (packaging/
# controls.txt) into the manual page and into the web page's help table, with
# the numbers taken from the program's own constants. Included, it defines
# bezier_controls(); run with cmake -P, it writes one file.

# Each number a text may name: its placeholder, the header that defines it
# and the constant's name there. A constant may be defined in terms of one
# listed before it.
set(BEZIER_CONTROL_NUMBERS
    WINDOW_SIZE app/window.h WindowSize
    LARGEST_ENTRY app/dialogue.h LargestEntry
    PICK_RADIUS points/point_list.h PickRadius
    DEFAULT_TOLERANCE points/editor_state.h DefaultTolerance
    DEFAULT_STEPS points/editor_state.h DefaultBsplineSteps)

if(NOT CMAKE_SCRIPT_MODE_FILE)
  set(BEZIER_CONTROLS_SCRIPT ${CMAKE_CURRENT_LIST_FILE})

  # bezier_controls(<man|html> <template> <output> [-DNAME=value...]): a build
  # step that writes <output> from <template>. In a manual page,
  # @MOUSE_CONTROLS@, @MENU_CONTROLS@ and @KEYS_CONTROLS@ (each on a line of its
  # own) become the entries of those sections; in a page, @CONTROL_ROWS@
  # becomes the help table's rows. Every number's @PLACEHOLDER@ is filled in,
  # and so are @PROJECT_VERSION@ and @BEZIER_MAN_DATE@ when given as -D
  # values. A placeholder left unfilled fails the build.
  function(bezier_controls format template output)
    set(headers)
    set(numbers "${BEZIER_CONTROL_NUMBERS}")
    while(numbers)
      list(POP_FRONT numbers placeholder header constant)
      list(APPEND headers ${PROJECT_SOURCE_DIR}/${header})
    endwhile()
    list(REMOVE_DUPLICATES headers)
    add_custom_command(
      OUTPUT ${output}
      COMMAND ${CMAKE_COMMAND} -DFORMAT=${format} -DTEMPLATE=${template} -DOUTPUT=${output}
              -DSOURCE_DIR=${PROJECT_SOURCE_DIR} ${ARGN} -P ${BEZIER_CONTROLS_SCRIPT}
      DEPENDS ${template} ${PROJECT_SOURCE_DIR}/packaging/controls.txt ${BEZIER_CONTROLS_SCRIPT} ${headers}
      COMMENT "Writing the controls into ${output}"
      VERBATIM)
  endfunction()
  return()
endif()

# ---------------------------------------------------------------- script mode
cmake_minimum_required(VERSION 3.25)

# The table is walked line by line with string(FIND), never as a CMake list,
# so that semicolons and brackets in its texts stay as they are.

# Sets `line` to the text up to the next line end of `text`'s variable and
# removes that line from it.
macro(pop_line text_var)
  string(FIND "${${text_var}}" "\n" pop_end)
  if(pop_end EQUAL -1)
    set(line "${${text_var}}")
    set(${text_var} "")
  else()
    string(SUBSTRING "${${text_var}}" 0 ${pop_end} line)
    math(EXPR pop_end "${pop_end} + 1")
    string(SUBSTRING "${${text_var}}" ${pop_end} -1 ${text_var})
  endif()
endmacro()

# One help table row from "to | mouse | touch | keyboard", or from
# "to | cell" for one cell across the three device columns.
function(page_row text out_var)
  string(FIND "${text}" " | " bar)
  if(bar EQUAL -1)
    message(FATAL_ERROR "controls: a page row names no device: page: ${text}")
  endif()
  string(SUBSTRING "${text}" 0 ${bar} to)
  math(EXPR bar "${bar} + 3")
  string(SUBSTRING "${text}" ${bar} -1 cells)
  string(REPLACE " | " "</td><td>" cells "${cells}")
  string(REGEX MATCHALL "</td><td>" separators "${cells}")
  list(LENGTH separators count)
  if(count EQUAL 0)
    set(cells "<td colspan=\"3\">${cells}</td>")
  elseif(count EQUAL 2)
    set(cells "<td>${cells}</td>")
  else()
    message(FATAL_ERROR "controls: a page row has one or three device cells: page: ${text}")
  endif()
  set(${out_var} "<tr><th scope=\"row\">${to}</th>${cells}</tr>" PARENT_SCOPE)
endfunction()

# The value of a constant `name` defined in `header` as an integer expression.
function(read_constant header name out_var)
  file(READ ${SOURCE_DIR}/${header} text)
  if(NOT text MATCHES "constexpr [^=;]* ${name} = ([^;]+);")
    message(FATAL_ERROR "controls: ${header} defines no constant ${name}")
  endif()
  set(expression "${CMAKE_MATCH_1}")
  foreach(known IN LISTS known_constants)
    string(REGEX REPLACE "(^|[^A-Za-z0-9_])${known}([^A-Za-z0-9_]|$)" "\\1${${known}}\\2" expression "${expression}")
  endforeach()
  math(EXPR value "${expression}")
  set(${out_var} ${value} PARENT_SCOPE)
endfunction()

file(READ ${SOURCE_DIR}/packaging/controls.txt table)
set(section "")
set(MOUSE_CONTROLS "")
set(MENU_CONTROLS "")
set(KEYS_CONTROLS "")
set(CONTROL_ROWS "")
while(NOT table STREQUAL "")
  pop_line(table)
  if(line MATCHES "^#")
  elseif(line STREQUAL "")
    set(section "")
  elseif(line MATCHES "^(mouse|menu|keys): (.+)$")
    string(TOUPPER "${CMAKE_MATCH_1}_CONTROLS" section)
    string(APPEND ${section} ".TP\n${CMAKE_MATCH_2}\n")
  elseif(section STREQUAL "")
    message(FATAL_ERROR "controls: a line outside an entry: ${line}")
  elseif(line MATCHES "^page: (.+)$")
    page_row("${CMAKE_MATCH_1}" row)
    if(CONTROL_ROWS STREQUAL "")
      set(CONTROL_ROWS "${row}")
    else()
      string(APPEND CONTROL_ROWS "\n@ROW_INDENT@${row}")
    endif()
  else()
    string(APPEND ${section} "${line}\n")
  endif()
endwhile()

file(READ ${TEMPLATE} out)
if(FORMAT STREQUAL "man")
  foreach(name MOUSE_CONTROLS MENU_CONTROLS KEYS_CONTROLS)
    string(LENGTH "${${name}}" length)
    string(FIND "${out}" "@${name}@\n" at)
    if(length EQUAL 0 OR at EQUAL -1)
      message(FATAL_ERROR "controls: @${name}@ needs a line of its own in ${TEMPLATE} and entries in the table")
    endif()
    string(REPLACE "@${name}@\n" "${${name}}" out "${out}")
  endforeach()
elseif(FORMAT STREQUAL "html")
  # The rows line up under the placeholder's own indentation.
  if(NOT out MATCHES "\n([ \t]*)@CONTROL_ROWS@")
    message(FATAL_ERROR "controls: ${TEMPLATE} has no @CONTROL_ROWS@")
  endif()
  string(REPLACE "@ROW_INDENT@" "${CMAKE_MATCH_1}" CONTROL_ROWS "${CONTROL_ROWS}")
  string(REPLACE "@CONTROL_ROWS@" "${CONTROL_ROWS}" out "${out}")
else()
  message(FATAL_ERROR "controls: FORMAT is man or html, not '${FORMAT}'")
endif()

set(known_constants "")
set(numbers "${BEZIER_CONTROL_NUMBERS}")
while(numbers)
  list(POP_FRONT numbers placeholder header constant)
  read_constant(${header} ${constant} ${constant})
  list(APPEND known_constants ${constant})
  string(REPLACE "@${placeholder}@" "${${constant}}" out "${out}")
endwhile()
foreach(name PROJECT_VERSION BEZIER_MAN_DATE)
  if(DEFINED ${name})
    string(REPLACE "@${name}@" "${${name}}" out "${out}")
  endif()
endforeach()
if(out MATCHES "@[A-Z_]+@")
  message(FATAL_ERROR "controls: ${TEMPLATE} leaves ${CMAKE_MATCH_0} unfilled")
endif()
file(WRITE ${OUTPUT} "${out}")
