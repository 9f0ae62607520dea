# Joins the page into one offline file: its style, its bundled script, and
# the WebAssembly module, the icon and the map text's face as base64, with
# the version and the notice of pako, which the script holds:
#
#   cmake -DPAGE=gridpin.html -DSTYLE=page.css -DSCRIPT=gridpin.js \
#         -DWASM=gridpin.wasm -DICON=gridpin.svg -DFONT=cellfont.ttf \
#         -DDEFLATE=node_modules/pako -DVERSION=x.y.z -DOUT=out.html -P join.cmake
cmake_minimum_required(VERSION 3.25)

function(fail message)
  message(FATAL_ERROR "join: ${message}")
endfunction()

file(READ ${SCRIPT} script)
if(script MATCHES "</script")
  fail("the script holds </script, which would end the page's script")
endif()
file(READ ${STYLE} style)
execute_process(COMMAND base64 -w0 ${WASM} OUTPUT_VARIABLE wasm COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND base64 -w0 ${ICON} OUTPUT_VARIABLE icon COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND base64 -w0 ${FONT} OUTPUT_VARIABLE font COMMAND_ERROR_IS_FATAL ANY)
file(READ ${DEFLATE}/package.json deflate)
string(JSON deflate_version GET "${deflate}" version)
file(READ ${DEFLATE}/LICENSE notice)
string(STRIP "${notice}" notice)
string(REPLACE "&" "&amp;" notice "${notice}")
string(REPLACE "<" "&lt;" notice "${notice}")
string(REPLACE ">" "&gt;" notice "${notice}")
file(READ ${PAGE} page)
foreach(part STYLE SCRIPT NOTICES)
  string(FIND "${page}" "@GRIDPIN_${part}@" at)
  if(at EQUAL -1)
    fail("${PAGE} has no @GRIDPIN_${part}@")
  endif()
endforeach()
string(REPLACE "@GRIDPIN_STYLE@" "${style}" page "${page}")
string(REPLACE "@GRIDPIN_SCRIPT@" "${script}" page "${page}")
string(REPLACE "@GRIDPIN_WASM@" "${wasm}" page "${page}")
string(REPLACE "@GRIDPIN_ICON@" "${icon}" page "${page}")
string(REPLACE "@GRIDPIN_FONT@" "${font}" page "${page}")
string(REPLACE "@GRIDPIN_NOTICES@" "pako ${deflate_version}, zlib in JavaScript (zlib's license, Jean-loup Gailly and Mark Adler's, for its zlib part), which writes the PNGs' compressed data:\n${notice}" page "${page}")
string(REPLACE "@GRIDPIN_VERSION@" "${VERSION}" page "${page}")
file(WRITE ${OUT} "${page}")
