# SPDX-License-Identifier: MIT
# fish completion for tintlist. Its one argument names a database, of which
# NAME.txt is read, so it is completed from the .txt files, with ".txt"
# taken off, and from folders.
function __tintlist_databases
    set -l word (commandline -ct)
    for name in $word*.txt
        test -f $name; and string replace -r '\.txt$' '' -- $name
    end
    __fish_complete_directories $word ''
end
complete -c tintlist -f
complete -c tintlist -x -n 'test (count (commandline -opc)) -eq 1' -a '(__tintlist_databases)'
