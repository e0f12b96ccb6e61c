# Puts the page's saving code and the engine (Emscripten's JavaScript with
# the WebAssembly inside) into the page's template, in place of the lines
# that name them.
file(READ "${TEMPLATE}" page)
foreach(part save engine)
  file(READ "${${part}_FILE}" text)
  set(marker "/* ${part} */")
  string(FIND "${page}" "${marker}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${TEMPLATE} has no ${marker} line")
  endif()
  string(LENGTH "${marker}" length)
  string(SUBSTRING "${page}" 0 ${at} before)
  math(EXPR after_at "${at} + ${length}")
  string(SUBSTRING "${page}" ${after_at} -1 after)
  set(page "${before}${text}${after}")
endforeach()
file(WRITE "${PAGE}" "${page}")
