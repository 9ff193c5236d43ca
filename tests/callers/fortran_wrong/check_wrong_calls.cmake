# Compiles wrong_call.F90 once per wrong call and expects the compiler to refuse each one (the
# module's generic interface has no specific for it), and to accept the correct call.
# Arguments: -DFC=<compiler> -DMODDIR=<folder of varnexo_api.mod> -DSOURCE=<wrong_call.F90>
#            -DMESSAGE=<regular expression the refusal must match, or empty>
foreach(k RANGE 0 6)
  execute_process(COMMAND ${FC} -cpp -fsyntax-only -I${MODDIR} -DWRONG_CALL=${k} ${SOURCE}
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(k EQUAL 0 AND NOT status EQUAL 0)
    message(FATAL_ERROR "the correct call does not compile:\n${out}${err}")
  elseif(k GREATER 0 AND status EQUAL 0)
    message(FATAL_ERROR "wrong call ${k} compiles")
  elseif(k GREATER 0 AND MESSAGE AND NOT "${out}${err}" MATCHES "${MESSAGE}")
    message(FATAL_ERROR "wrong call ${k} fails for another reason:\n${out}${err}")
  endif()
endforeach()
