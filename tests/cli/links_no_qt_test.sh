#!/bin/sh
# Fails when the program needs a Qt library, directly or through another library.
#   links_no_qt_test.sh PROGRAM
libraries=$(ldd "$1") || { echo "FAIL: ldd cannot read $1"; exit 1; }
if echo "$libraries" | grep 'libQt'; then
  echo "FAIL: $1 needs the Qt libraries above"
  exit 1
fi
echo "$1 needs no Qt library"
