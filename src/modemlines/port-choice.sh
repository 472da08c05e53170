# Sets port_dir (when empty: as the bridge's default), port (when empty: the
# lowest-numbered port there) and link, or ends with a message saying why not.
choose_port() {
  if [ -z "$port_dir" ]; then
    if [ -n "${XDG_RUNTIME_DIR:-}" ]; then port_dir=$XDG_RUNTIME_DIR/tenvarra; else port_dir=/tmp/tenvarra-$(id -u); fi
  fi
  if [ -n "$port" ]; then
    is_port "$port" || fail "no Tenvarra port $port in $port_dir; is tenvarra running?"
  else
    local candidate name
    for candidate in "$port_dir"/COM*; do
      name=$(basename "$candidate")
      if is_port "$name" && { [ -z "$port" ] || [ "${name#COM}" -lt "${port#COM}" ]; }; then port=$name; fi
    done
    [ -n "$port" ] || fail "no Tenvarra port in $port_dir; start tenvarra first"
  fi
  link=$port_dir/$port
}
is_port() { [[ $1 =~ ^COM[0-9]+$ ]] && [ -L "$port_dir/$1" ] && [ -f "$port_dir/$1.lines" ]; }
