# SPDX-License-Identifier: MIT
# bash completion for tintlist. Its one argument names a database, of which
# NAME.txt is read, so it is completed from the .txt files, with ".txt"
# taken off, and from folders.
_tintlist() {
    COMPREPLY=()
    ((COMP_CWORD == 1)) || return 0
    local word=${COMP_WORDS[1]} name
    while IFS= read -r name; do
        [[ -f $name ]] && COMPREPLY+=("${name%.txt}")
    done < <(compgen -f -X '!*.txt' -- "$word")
    while IFS= read -r name; do COMPREPLY+=("$name"); done < <(compgen -d -- "$word")
    return 0
}
complete -o filenames -F _tintlist tintlist
