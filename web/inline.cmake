# Puts the WebAssembly module, as base64, and the version into the page:
#   cmake -DWASM=gridpin.wasm -DPAGE=page.html -DOUT=gridpin.html -DVERSION=x.y.z -P inline.cmake
execute_process(COMMAND base64 -w0 ${WASM} OUTPUT_VARIABLE GRIDPIN_WASM COMMAND_ERROR_IS_FATAL ANY)
set(GRIDPIN_VERSION ${VERSION})
configure_file(${PAGE} ${OUT} @ONLY)
