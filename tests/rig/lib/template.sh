# shellcheck shell=bash
# Fills in the rig's configuration templates (tests/rig/templates/*.in); sourced by rig.sh.
# A template is the file as the server reads it, with ${name} where a value of the rig goes: the
# shell variable of that name, which must be set. Anything else stays as it is, a bare $name
# included (Postfix's own parameters, e.g. $mydomain), and a value is never scanned again.

rig_templates=$(cd "$(dirname "${BASH_SOURCE[0]}")/../templates" && pwd)

# fill_template NAME OUTPUT: writes templates/NAME.in to OUTPUT.
fill_template() {
    local _template=$rig_templates/$1.in _line _name _done
    [ -r "$_template" ] || { echo "rig: no template $_template" >&2; return 1; }
    while IFS= read -r _line || [ -n "$_line" ]; do
        _done=""
        while [[ $_line =~ \$\{([a-z][a-z0-9_]*)\} ]]; do
            _name=${BASH_REMATCH[1]}
            if [ -z "${!_name+set}" ]; then
                echo "rig: $_template names \${$_name}, which the rig does not set" >&2
                return 1
            fi
            _done+=${_line%%"${BASH_REMATCH[0]}"*}${!_name}
            _line=${_line#*"${BASH_REMATCH[0]}"}
        done
        printf '%s\n' "$_done$_line"
    done <"$_template" >"$2"
}
