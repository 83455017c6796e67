# The collection against a simulated fleet of two modules, the second down, in one
# playbook run (fleet.yml): its own assertions check each module's results and values, and
# this reads the run's output for what only the whole run shows. A module that keeps no
# write is given the option module alone, as Ansible runs it on a host: each task of a
# playbook costs Ansible most of a second of processor time for each host.
import json
import os
import re
import stat
import subprocess
import sys

import pytest

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.dirname(os.path.dirname(HERE))
BIN_DIR = os.environ.get("QUILLNET_BIN_DIR", os.path.join(SOURCE, "build", "cli"))
SIM = os.environ.get("QUILLNET_SIM", os.path.join(SOURCE, "build", "sim", "quillnet-module-sim"))
SIM_DATA = os.path.join(SOURCE, "sim", "data")
# The built quillnet first, which the collection's modules run.
QUILLNET_PATH = BIN_DIR + os.pathsep + os.environ.get("PATH", "")
RUN_BOUND_SECONDS = 240
FLEET_BANNER = "PORT from "


def start_sim(*arguments):
    """A simulator on free loopback ports, and the port of its first module."""
    sim = subprocess.Popen(
        [SIM, "--address", "127.0.0.1", "--port", "0", "--no-announce",
         "--pages", os.path.join(SIM_DATA, "pages.json"),
         "--catalog", os.path.join(SIM_DATA, "catalog.json")] + list(arguments),
        stdout=subprocess.PIPE, stderr=subprocess.STDOUT, universal_newlines=True)
    banner = sim.stdout.readline()
    if FLEET_BANNER in banner:
        return sim, int(banner.split(FLEET_BANNER)[1].split()[0])
    match = re.search(r"127\.0\.0\.1:(\d+)", banner)
    assert match, banner
    return sim, int(match.group(1))


@pytest.fixture
def fleet():
    """Addresses of two simulated modules: one that works and one down."""
    sim, first = start_sim("--modules", "2", "--fault-every", "2=down")
    try:
        yield ["127.0.0.1:%d" % port for port in (first, first + 1)]
    finally:
        sim.terminate()
        sim.wait()


def run_module(name, arguments, tmp_path):
    """One of the collection's modules run as Ansible runs it on a host: its arguments in a
    file, its result as JSON on standard output."""
    args = tmp_path / "args.json"
    args.write_text(json.dumps({"ANSIBLE_MODULE_ARGS": arguments}))
    env = dict(os.environ, PATH=QUILLNET_PATH, PYTHONPATH=os.path.join(SOURCE, "ansible"))
    run = subprocess.run(
        [sys.executable, os.path.join(SOURCE, "ansible", "ansible_collections", "quillnet", "fleet",
                                      "plugins", "modules", name + ".py"), str(args)],
        cwd=str(tmp_path), env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
        universal_newlines=True, timeout=RUN_BOUND_SECONDS)
    return json.loads(run.stdout)


def test_write_not_kept(tmp_path):
    # The module answers the write as a success and keeps nothing: the task fails, and says
    # the change was not seen kept.
    sim, port = start_sim("--write-answer", "empty")
    try:
        result = run_module("option", {"module": "127.0.0.1:%d" % port,
                                       "catalog": os.path.join(SIM_DATA, "catalog.json"),
                                       "options": {"1/port": 8080}}, tmp_path)
    finally:
        sim.terminate()
        sim.wait()
    assert result["failed"] and not result["confirmed"], result
    assert result["status"] == "not confirmed" and "read back differs" in result["msg"], result


def test_playbook(fleet, tmp_path):
    up, down = [address.replace(":", "_") for address in fleet]
    backups = tmp_path / "backups"
    backups.mkdir()
    (tmp_path / "options.ini").write_text(
        "[global]\nmodules=%s boiler/%s pump\n" % tuple(fleet))
    (tmp_path / "fleet.quillnet.yml").write_text("plugin: quillnet.fleet.modules\n")
    env = dict(os.environ,
               PATH=QUILLNET_PATH,
               ANSIBLE_COLLECTIONS_PATH=os.path.join(SOURCE, "ansible"),
               ANSIBLE_COLLECTIONS_SCAN_SYS_PATH="false",
               ANSIBLE_HOME=str(tmp_path / "home"),
               ANSIBLE_LOCAL_TEMP=str(tmp_path / "tmp"),
               ANSIBLE_PYTHON_INTERPRETER=sys.executable,
               ANSIBLE_PIPELINING="1",
               ANSIBLE_NOCOLOR="1")
    run = subprocess.run(
        ["ansible-playbook", "--diff", "-i", "fleet.quillnet.yml", os.path.join(HERE, "fleet.yml"),
         "-e", "catalog=" + os.path.join(SIM_DATA, "catalog.json"), "-e", "backups=" + str(backups)],
        cwd=str(tmp_path), env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
        universal_newlines=True, timeout=RUN_BOUND_SECONDS)
    recap = dict((m.group(1), dict((k, int(v)) for k, v in re.findall(r"(\w+)=(\d+)", m.group(2))))
                 for m in re.finditer(r"^(\S+)\s+: (ok=.*)$", run.stdout, re.M))
    assert sorted(recap) == sorted([up, down]), run.stdout + run.stderr
    # The module that is down fails its own first task and is left out of the rest; the
    # assertions of the plays pass on the other, which the last play finds by its label.
    assert (recap[down]["ok"], recap[down]["failed"]) == (0, 1), run.stdout
    assert (recap[up]["failed"], recap[up]["ignored"]) == (0, 1), run.stdout
    assert "Connection refused" in run.stdout
    # The dry run's diff, under the module and its page.
    assert "--- before: %s page 1" % fleet[0] in run.stdout and '+mode: "1"' in run.stdout, run.stdout
    assert sorted(os.listdir(str(backups))) == sorted([up + ".json", "history"])
    assert stat.S_IMODE(os.stat(str(backups / (up + ".json"))).st_mode) == 0o600
