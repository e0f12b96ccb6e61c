# Makes one man page from its scdoc source: PAGE and PAGE.gz (compressed
# without a name or time in it, so that the same source gives the same
# bytes). Each appears under its name only when complete.
#   cmake -DSCDOC=... -DGZIP=... -DSOURCE=page.1.scd -DPAGE=page.1 -P make_man_page.cmake

function(qmx_run output)
  execute_process(COMMAND ${ARGN} OUTPUT_FILE ${output}.tmp
                  RESULT_VARIABLE status ${qmx_input})
  if(NOT status EQUAL 0)
    file(REMOVE ${output}.tmp)
    message(FATAL_ERROR "${ARGV1} failed (${status}) on ${SOURCE}")
  endif()
  file(RENAME ${output}.tmp ${output})
endfunction()

set(qmx_input INPUT_FILE ${SOURCE})
qmx_run(${PAGE} ${SCDOC})
set(qmx_input)
qmx_run(${PAGE}.gz ${GZIP} -9nc ${PAGE})
