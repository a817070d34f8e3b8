#!/usr/bin/env bash
# A private single-node Slurm cluster for the tests, everything under one
# folder (munge key and socket, configuration, state, spool, logs), /etc left
# alone. Needs root (slurmd runs the jobs as their users).
#
#   tests/support/slurm-cluster.sh start DIR   starts munged, slurmctld, slurmd; waits for the
#                                              node to be idle; prints the SLURM_CONF to export
#   tests/support/slurm-cluster.sh stop DIR    ends the jobs and the daemons, by their recorded PIDs
set -euo pipefail

cmd=${1:-}
dir=${2:-}
if [ -z "$cmd" ] || [ -z "$dir" ]; then
  echo "usage: $0 start|stop DIR" >&2
  exit 2
fi
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)
export SLURM_CONF=$dir/slurm.conf

pid_of() { cat "$1" 2>/dev/null || true; }

# waits up to $2 tenths of a second for a PID to end
wait_gone() {
  local pid=$1 n=$2
  while [ "$n" -gt 0 ] && kill -0 "$pid" 2>/dev/null; do
    sleep 0.1
    n=$((n - 1))
  done
  ! kill -0 "$pid" 2>/dev/null
}

stop() {
  if [ -f "$dir/slurm.conf" ]; then
    scancel --quiet --user=root >/dev/null 2>&1 || true
    scontrol shutdown >/dev/null 2>&1 || true
  fi
  for f in slurmd.pid slurmctld.pid munged.pid; do
    pid=$(pid_of "$dir/$f")
    [ -n "$pid" ] || continue
    # the Slurm daemons end on the shutdown request, munged on its signal
    [ $f = munged.pid ] && kill "$pid" 2>/dev/null
    if ! wait_gone "$pid" 50; then
      kill "$pid" 2>/dev/null || true
      wait_gone "$pid" 30 || kill -9 "$pid" 2>/dev/null || true
    fi
    rm -f "$dir/$f"
  done
}

start() {
  if [ "$(id -u)" -ne 0 ]; then
    echo "slurm-cluster: root needed to start slurmd" >&2
    exit 3
  fi
  for p in munged mungekey slurmctld slurmd sbatch squeue sinfo scontrol; do
    command -v $p >/dev/null || { echo "slurm-cluster: $p missing (slurm-wlm, munge)" >&2; exit 3; }
  done
  mkdir -p "$dir/munge" "$dir/state" "$dir/spool" "$dir/log"
  chmod 755 "$dir" "$dir/munge"
  mungekey --create --force --keyfile="$dir/munge/munge.key" >/dev/null
  chmod 600 "$dir/munge/munge.key"
  munged --key-file="$dir/munge/munge.key" --socket="$dir/munge/munge.socket" \
    --pid-file="$dir/munged.pid" --log-file="$dir/log/munged.log" --seed-file="$dir/munge/seed" \
    --force
  munge -S "$dir/munge/munge.socket" -n | unmunge -S "$dir/munge/munge.socket" >/dev/null

  local host node cpus mem
  host=$(hostname -s)
  node=$(slurmd -C | head -1)
  cpus=$(sed -n 's/.*CPUs=\([0-9]*\).*/\1/p' <<<"$node")
  mem=$(sed -n 's/.*RealMemory=\([0-9]*\).*/\1/p' <<<"$node")
  cat >"$dir/slurm.conf" <<EOF
ClusterName=kadmer-test
SlurmctldHost=$host(127.0.0.1)
SlurmUser=root
SlurmdUser=root
AuthType=auth/munge
CredType=cred/munge
AuthInfo=socket=$dir/munge/munge.socket
SlurmctldPort=$((20000 + RANDOM % 20000))
SlurmdPort=$((40001 + RANDOM % 20000))
StateSaveLocation=$dir/state
SlurmdSpoolDir=$dir/spool
SlurmctldPidFile=$dir/slurmctld.pid
SlurmdPidFile=$dir/slurmd.pid
SlurmctldLogFile=$dir/log/slurmctld.log
SlurmdLogFile=$dir/log/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
JobCompType=jobcomp/none
MailProg=/bin/true
ReturnToService=2
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
SchedulerParameters=batch_sched_delay=0
MinJobAge=300
NodeName=$host NodeAddr=127.0.0.1 CPUs=$cpus RealMemory=$mem State=UNKNOWN
PartitionName=test Nodes=$host Default=YES MaxTime=INFINITE State=UP
EOF
  slurmctld -c
  slurmd
  for _ in $(seq 1 300); do
    if [ "$(sinfo -h -N -o %T 2>/dev/null | head -1)" = idle ]; then
      echo "SLURM_CONF=$SLURM_CONF"
      return 0
    fi
    sleep 0.1
  done
  echo "slurm-cluster: the node did not become idle within 30 s; logs in $dir/log" >&2
  stop
  exit 1
}

case $cmd in
  start) start ;;
  stop) stop ;;
  *) echo "usage: $0 start|stop DIR" >&2; exit 2 ;;
esac
