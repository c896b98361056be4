# bash completion for vexa-repo.
#
# The tool itself says what fits where the cursor is ("vexa-repo complete",
# reading the repository the line names with --repo, or the one it finds):
# commands, options, printer, media, mode, key and option names. Names come
# one per line and are quoted by readline as file names are, so blanks,
# brackets and non-ASCII letters survive.
_vexa_repo() {
    local cur words cword
    if declare -F _init_completion >/dev/null 2>&1; then
        _init_completion -n =: || return
    else
        words=("${COMP_WORDS[@]}")
        cword=$COMP_CWORD
        cur=${COMP_WORDS[COMP_CWORD]}
    fi
    local tool=${words[0]}
    [[ $tool == "~/"* ]] && tool=$HOME/${tool#"~/"}
    local -a found
    local IFS=$'\n'
    found=($("$tool" complete --quoted -- "${words[@]:1:cword}" 2>/dev/null))
    unset IFS
    if [[ ${found[0]} == files ]]; then
        compopt -o default 2>/dev/null
        COMPREPLY=()
        return
    fi
    compopt -o filenames 2>/dev/null
    COMPREPLY=("${found[@]:1}")
    if declare -F __ltrim_colon_completions >/dev/null 2>&1; then
        __ltrim_colon_completions "$cur"
    fi
}
complete -F _vexa_repo vexa-repo
