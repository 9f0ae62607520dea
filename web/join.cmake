# Joins the page into one offline file: its style, its modules, and the
# WebAssembly module and the icon as base64, with the version:
#
#   cmake -DPAGE=gridpin.html -DSTYLE=page.css -DMODULES="a.js;b.js;..." \
#         -DWASM=gridpin.wasm -DICON=gridpin.svg -DVERSION=x.y.z -DOUT=out.html -P join.cmake
#
# A page opened from disk may not load module files, so each module runs
# in a scope of its own inside the one script: its exports become the
# object that scope returns, and an import takes names from the object of
# a module that comes before it. Exports are functions, classes and
# constants, never a variable another module would see only as it was.
cmake_minimum_required(VERSION 3.25)

function(fail message)
  message(FATAL_ERROR "join: ${message}")
endfunction()

set(script "")
set(seen "")
foreach(path IN LISTS MODULES)
  get_filename_component(name ${path} NAME_WE)
  file(READ ${path} body)
  set(body "\n${body}")
  # Up to the semicolon, which would split the list of matches. An export
  # is one name: "export const a = 1, b = 2" would export a alone, and an
  # import of b fails the build.
  string(REGEX MATCHALL "\nimport [^\n;]*" imports "${body}")
  foreach(line IN LISTS imports)
    if(NOT line MATCHES "^\nimport ({[^}]*}) from \"\\./([a-z]+)\\.js\"$")
      fail("${name}.js: an import other than { names } from \"./module.js\":${line}")
    endif()
    set(from ${CMAKE_MATCH_2})
    if(NOT from IN_LIST seen)
      fail("${name}.js imports ${from}.js, which does not come before it")
    endif()
    string(REPLACE " as " ": " names "${CMAKE_MATCH_1}")
    string(REGEX MATCHALL "[{,] *[A-Za-z_$][A-Za-z0-9_$]*" wanted "${names}")
    foreach(want IN LISTS wanted)
      string(REGEX REPLACE "[{, ]" "" want "${want}")
      if(NOT want IN_LIST exports_${from})
        fail("${name}.js imports ${want}, which ${from}.js does not export")
      endif()
    endforeach()
    string(REPLACE "${line};" "\nconst ${names} = module_${from};" body "${body}")
  endforeach()
  if(body MATCHES "\nexport (let|var|default|{)")
    fail("${name}.js: export ${CMAKE_MATCH_1}; export functions, classes and constants")
  endif()
  string(REGEX MATCHALL "\nexport (async function|function|class|const) [A-Za-z_$][A-Za-z0-9_$]*" exports "${body}")
  set(names "")
  foreach(line IN LISTS exports)
    string(REGEX REPLACE ".* " "" export "${line}")
    list(APPEND names ${export})
  endforeach()
  string(REPLACE "\nexport " "\n" body "${body}")
  list(JOIN names ", " returned)
  string(APPEND script "// ---- ${name}.js\nconst module_${name} = await (async () => {${body}\nreturn { ${returned} };\n})();\n\n")
  set(exports_${name} ${names})
  list(APPEND seen ${name})
endforeach()
if(script MATCHES "</script")
  fail("a module holds </script, which would end the page's script")
endif()

file(READ ${STYLE} style)
execute_process(COMMAND base64 -w0 ${WASM} OUTPUT_VARIABLE wasm COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND base64 -w0 ${ICON} OUTPUT_VARIABLE icon COMMAND_ERROR_IS_FATAL ANY)
file(READ ${PAGE} page)
foreach(part STYLE SCRIPT)
  string(FIND "${page}" "@GRIDPIN_${part}@" at)
  if(at EQUAL -1)
    fail("${PAGE} has no @GRIDPIN_${part}@")
  endif()
endforeach()
string(REPLACE "@GRIDPIN_STYLE@" "${style}" page "${page}")
string(REPLACE "@GRIDPIN_SCRIPT@" "${script}" page "${page}")
string(REPLACE "@GRIDPIN_WASM@" "${wasm}" page "${page}")
string(REPLACE "@GRIDPIN_ICON@" "${icon}" page "${page}")
string(REPLACE "@GRIDPIN_VERSION@" "${VERSION}" page "${page}")
file(WRITE ${OUT} "${page}")
