# Writes OUTPUT from TEMPLATE with @PRELOADS@ replaced by the requests the
# page's first frame needs, so that a browser asks for all of them as soon as
# the page arrives instead of one level of imports at a time: the program's
# WebAssembly first (the largest), then every module the page imports from
# page/main.js, found by following the imports (static and dynamic) in the
# site folder SITE, so the list cannot go stale. Run with cmake -P.
cmake_minimum_required(VERSION 3.25)

set(pending page/main.js)
set(modules)
while(pending)
  list(POP_FRONT pending module)
  if(module IN_LIST modules)
    continue()
  endif()
  list(APPEND modules ${module})
  # The program's script, as Emscripten writes it, imports nothing of the
  # site; its comments and messages that speak of imports are not read.
  if(module STREQUAL "bezier.js")
    continue()
  endif()
  get_filename_component(folder ${module} DIRECTORY)
  # Every import, static or dynamic, in either quotes, outside comments. One
  # the list cannot follow (a specifier computed, split over lines or from
  # elsewhere) stops the build rather than leave the list short.
  file(STRINGS ${SITE}/${module} imports REGEX "(^|[^A-Za-z0-9_$.])(import[ \t]*[('\"]|from[ \t]*['\"])")
  foreach(line IN LISTS imports)
    if(line MATCHES "^[ \t]*(//|/?\\*)")
      continue()
    elseif(NOT line MATCHES "(import[ \t]*\\(?|from)[ \t]*['\"](\\.\\.?/[^'\"]*\\.js)['\"]")
      message(FATAL_ERROR "preloads: ${module} has an import the list cannot follow: ${line}")
    endif()
    # The imported path, relative to the site: ./x.js and ../x.js from folder.
    set(path "${folder}/${CMAKE_MATCH_2}")
    string(REGEX REPLACE "^/" "" path "${path}")
    string(REGEX REPLACE "(^|/)\\./" "\\1" path "${path}")
    string(REGEX REPLACE "[^/]+/\\.\\./" "" path "${path}")
    if(NOT EXISTS ${SITE}/${path})
      message(FATAL_ERROR "preloads: ${module} imports ${path}, which the site does not have")
    endif()
    list(APPEND pending ${path})
  endforeach()
endwhile()
# The same request as the page's own fetch of the program (a CORS request of
# its own origin), so that the preloaded one is the one it gets.
set(PRELOADS "<link rel=\"preload\" href=\"bezier.wasm\" as=\"fetch\" type=\"application/wasm\" crossorigin>")
foreach(module IN LISTS modules)
  string(APPEND PRELOADS "\n<link rel=\"modulepreload\" href=\"${module}\">")
endforeach()
file(READ ${TEMPLATE} page)
string(REPLACE "@PRELOADS@" "${PRELOADS}" page "${page}")
file(WRITE ${OUTPUT} "${page}")
