# Writes OUT, the UTF-8 text file IN in Shift_JIS (code page 932) with CRLF line ends.
#   cmake -DICONV=<iconv> -DIN=<file> -DOUT=<file> -P shift_jis.cmake
execute_process(COMMAND ${ICONV} -f UTF-8 -t CP932 ${IN} OUTPUT_FILE ${OUT}.tmp
                RESULT_VARIABLE failed)
if(failed)
  file(REMOVE ${OUT}.tmp)
  message(FATAL_ERROR "${IN} has text that Shift_JIS cannot hold")
endif()
# A Windows iconv may write its output in text mode: whatever line ends it wrote become CRLF.
file(READ ${OUT}.tmp text)
string(REPLACE "\r\n" "\n" text "${text}")
string(REPLACE "\n" "\r\n" text "${text}")
file(WRITE ${OUT} "${text}")
file(REMOVE ${OUT}.tmp)
