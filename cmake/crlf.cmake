# SPDX-License-Identifier: MIT
# Copies a text file with CR LF line ends, for Windows users.
# usage: cmake -DFROM=file -DTO=file -P crlf.cmake
file(READ ${FROM} text)
string(REPLACE "\r\n" "\n" text "${text}")
string(REPLACE "\n" "\r\n" text "${text}")
file(WRITE ${TO} "${text}")
