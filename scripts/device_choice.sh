# Sourced by run.sh: whether the station starts on the device or on the
# built-in device simulator.
#
# corvala_device_choice ARGUMENTS... prints "simulate" when run.sh should add
# --simulate, else "device", and says on standard error what it chose and how
# to choose otherwise. The simulator stands in only when nothing could hold the
# device: no --port and no --simulate among the arguments, no USB serial
# adapter, no adapter chosen in Ports.ini that is there, and no built-in serial
# port with a UART behind it (the kernel lists /dev/ttyS0 to /dev/ttyS3 on
# every PC; /sys/class/tty/ttyS<n>/type is 0 when no UART answers there).
# CORVALA_DEV and CORVALA_SYS stand for /dev and /sys (tests).

# True when a device frame ("anfang") arrives on the serial port PATH within
# CORVALA_PROBE_SECONDS (3) at the device's line settings.
corvala_hears_device() {
  stty -F "$1" 9600 cs8 -parenb -cstopb raw -echo 2>/dev/null || true
  timeout "${CORVALA_PROBE_SECONDS:-3}" head -c 2048 "$1" 2>/dev/null | grep -q -a anfang
}

corvala_device_choice() {
  local dev=${CORVALA_DEV:-/dev} sys=${CORVALA_SYS:-/sys}
  local data_dir=build/src/app arg expect_dir=0
  for arg in "$@"; do
    if ((expect_dir)); then
      data_dir=$arg
      expect_dir=0
      continue
    fi
    case $arg in
      --port | --port=* | --simulate | --help | -h | --version)
        echo device
        return
        ;;
      --data-dir) expect_dir=1 ;;
      --data-dir=*) data_dir=${arg#--data-dir=} ;;
    esac
  done

  local path
  for path in "$dev"/ttyUSB* "$dev"/ttyACM*; do
    if [[ -e $path ]]; then
      echo device
      return
    fi
  done

  # An adapter chosen in the configuration view that is plugged in.
  if [[ -r $data_dir/Ports.ini ]]; then
    local line
    while IFS= read -r line || [[ -n $line ]]; do
      line=${line%$'\r'}
      [[ $line == COM[1-9]=?* ]] || continue
      if [[ -e ${line#COM?=} ]]; then
        echo device
        return
      fi
    done <"$data_dir/Ports.ini"
  fi

  # A UART behind a built-in port may hold the device: the station opens the
  # port whose device is heard sending its frames. A port that cannot be read
  # (no permission) is opened too, so that the window says why it fails.
  local type uarts=() answering=() unreadable=()
  for type in "$sys"/class/tty/ttyS*/type; do
    [[ -r $type ]] || continue
    if [[ $(<"$type") != 0 ]]; then
      path=${type%/type}
      uarts+=("$dev/${path##*/}")
    fi
  done
  for path in "${uarts[@]}"; do
    if [[ ! -r $path || ! -w $path ]]; then
      unreadable+=("$path")
    elif corvala_hears_device "$path"; then
      answering+=("$path")
    fi
  done
  if ((${#answering[@]})); then
    echo "run.sh: the device answers on ${answering[*]}; the station opens its configured port" \
      "(COM1 is /dev/ttyS0 unless chosen otherwise)." >&2
    echo device
    return
  fi
  if ((${#unreadable[@]})); then
    cat >&2 <<EOF
run.sh: the serial ports ${unreadable[*]} cannot be opened by this user; the station opens its
run.sh: configured port and its status line says why it fails (often: the user must be in the
run.sh: dialout group). To try the station without a device: scripts/run.sh --simulate
EOF
    echo device
    return
  fi
  if ((${#uarts[@]})); then
    echo "run.sh: no device answered within ${CORVALA_PROBE_SECONDS:-3} s on the serial ports" \
      "${uarts[*]}." >&2
  fi

  cat >&2 <<EOF
run.sh: no device found (no USB serial adapter, none answering on a built-in serial port):
run.sh: starting the built-in device SIMULATOR. The values shown are simulated, not measured.
run.sh: to use the device, plug it in and start again, or name its port:
run.sh:   scripts/run.sh --port COM1=/dev/ttyUSB0     (or --port=COM1=PATH)
EOF
  echo simulate
}
