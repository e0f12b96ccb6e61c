# Puts the engine (Emscripten's JavaScript with the WebAssembly inside) into
# the page's template, in place of the line that names it.
file(READ "${TEMPLATE}" page)
file(READ "${ENGINE}" engine)
string(FIND "${page}" "/* engine */" at)
if(at EQUAL -1)
  message(FATAL_ERROR "${TEMPLATE} has no /* engine */ line")
endif()
string(SUBSTRING "${page}" 0 ${at} before)
math(EXPR after_at "${at} + 12")
string(SUBSTRING "${page}" ${after_at} -1 after)
file(WRITE "${PAGE}" "${before}${engine}${after}")
