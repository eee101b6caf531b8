#!/bin/sh
# A login program for the tests' telnetd: keeps each line it reads in "lines" beside itself,
# then runs it.
while printf '$ ' && IFS= read -r line; do
    printf '%s\n' "$line" >>"${0%/*}/lines"
    sh -c "$line"
done
