# vantrel-console on a stand-in Windows folder: what it prints and what it does to the file.
# Run with -DCONSOLE=<program> -DWORK=<scratch folder> -DHOST=<advert host name>.

string(ASCII 13 CR)
set(CRLF "${CR}\n")
set(entry "0.0.0.0         ${HOST}")
set(confirm "message 0x24 Vantrel: Are you sure you want to restore those annoying msn adverts?\n")
set(nothing "message 0x40 Vantrel: Adverts has not been removed.\\nSo there is nothing to restore.\n")
set(restored "message 0x40 Vantrel: Adverts has ben restored!\n")

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/win/system32/drivers/etc)
set(nt_hosts ${WORK}/win/system32/drivers/etc/hosts)
set(win9x_hosts ${WORK}/win/hosts)

function(expect_run name expected_status expected_out)
  execute_process(COMMAND ${CONSOLE} ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out
                  ERROR_VARIABLE err)
  if(NOT status EQUAL expected_status OR NOT out STREQUAL expected_out)
    message(FATAL_ERROR "${name}: status ${status}, want ${expected_status}\n"
                        "have:\n${out}\nwant:\n${expected_out}\nstderr:\n${err}")
  endif()
  if(expected_status EQUAL 2 AND NOT err MATCHES "usage: vantrel-console")
    message(FATAL_ERROR "${name}: no usage on standard error:\n${err}")
  endif()
endfunction()

function(expect_file name path expected)
  file(READ ${path} have HEX)
  file(WRITE ${WORK}/expected "${expected}")
  file(READ ${WORK}/expected want HEX)
  if(NOT have STREQUAL want)
    message(FATAL_ERROR "${name}: ${path} holds ${have}, want ${want}")
  endif()
endfunction()

# The NT family by default; the answer is no unless told.
file(WRITE ${nt_hosts} "T${CRLF}${CRLF}${entry}${CRLF}")
expect_run("default answer" 0 "${confirm}answer no\n" --windows-dir ${WORK}/win)
expect_file("default answer" ${nt_hosts} "T${CRLF}${CRLF}${entry}${CRLF}")
expect_run("answer yes" 0 "${confirm}answer yes\n${restored}"
           --windows-dir ${WORK}/win --answer yes)
expect_file("answer yes" ${nt_hosts} "T${CRLF}")
expect_run("nothing left" 0 "${nothing}" --windows-dir ${WORK}/win --answer yes)

# Platform ids 0 and 1 read the Windows folder; an explicit system folder is honoured.
foreach(id 0 1)
  file(WRITE ${win9x_hosts} "${entry}${CRLF}U${CRLF}")
  expect_run("9x path ${id}" 0 "${confirm}answer yes\n${restored}"
             --windows-dir ${WORK}/win --platform-id ${id} --answer yes)
  expect_file("9x path ${id}" ${win9x_hosts} "U${CRLF}")
endforeach()
file(MAKE_DIRECTORY ${WORK}/sys/drivers/etc)
file(WRITE ${WORK}/sys/drivers/etc/hosts "${entry}")
expect_run("system dir" 0 "${confirm}answer no\n"
           --windows-dir ${WORK}/win --system-dir ${WORK}/sys --answer no)

# A missing hosts file: nothing printed at all.
expect_run("missing file" 0 "" --windows-dir ${WORK}/none)

# Bad arguments.
expect_run("no windows dir" 2 "")
expect_run("unknown argument" 2 "" --windows-dir ${WORK}/win --fast)
expect_run("bad answer" 2 "" --windows-dir ${WORK}/win --answer maybe)
expect_run("bad platform id" 2 "" --windows-dir ${WORK}/win --platform-id -1)
expect_run("missing value" 2 "" --windows-dir)
