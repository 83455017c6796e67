# How the collection's arguments become quillnet's command line, and quillnet's exit
# statuses and records become task results.
import os
import re
import sys

import pytest

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, os.path.join(SOURCE, "ansible"))

from ansible_collections.quillnet.fleet.plugins.module_utils import quillnet as q  # noqa: E402


@pytest.mark.parametrize("options, expected", [
    ({"1/port": 8080, "1/mode": "STA"}, ["1/port=8080", "1/mode=STA"]),
    ({"3/net/en": True, "1/dhcp": False}, ["3/net/en=true", "1/dhcp=false"]),
    ({"1/ratio": 0.5, "3/net/ip": "a=b c"}, ["1/ratio=0.5", "3/net/ip=a=b c"]),
    ({"3/net/mask": {"a": 255, "d": "Я"}, "3/list": [1, "x"]},
     ['3/net/mask={"a":255,"d":"Я"}', '3/list=[1,"x"]']),
    ({"a~1b/c~0d": ""}, ["a~1b/c~0d="]),
])
def test_assignments(options, expected):
    assert q.assignments(options) == expected


@pytest.mark.parametrize("options", [
    {}, {"1/port": None}, {"1=2/port": 1}, {"port": 1}, {"-x/port": 1},
])
def test_assignments_refused(options):
    with pytest.raises(q.QuillnetError):
        q.assignments(options)


@pytest.mark.parametrize("address", ["", " 10.0.0.1", "-o", "a=b", "10.0.0.1 x"])
def test_address_refused(address):
    with pytest.raises(q.QuillnetError):
        q.check_module_address(address)


def test_command_line():
    # Every argument after "--": an address or a path that starts with "-" is never an option.
    assert q.command_line("quillnet", "set", (["--dry-run"], ["10.0.0.1:81", "1/port=1"]), 2, "c.json") == [
        "quillnet", "-o", "json", "-q", "--timeout", "2.0", "--catalog", "c.json",
        "set", "--dry-run", "--", "10.0.0.1:81", "1/port=1"]


CHANGES = [{"path": "1/port", "from": 80, "to": 8080}, {"path": "a~1b/net/ch", "from": 6, "to": 11}]


@pytest.mark.parametrize("rc, status, check_mode, changed, confirmed", [
    (0, "written", False, True, True),
    (0, "unchanged", False, False, True),
    (0, "unchanged", True, False, True),
    (1, "would change", True, True, False),
])
def test_set_result(rc, status, check_mode, changed, confirmed):
    record = {"module": "m", "status": status, "changes": CHANGES if changed else []}
    result = q.set_result([record], rc, "", check_mode)
    assert (result["changed"], result["confirmed"]) == (changed, confirmed)
    if changed:
        assert result["before"] == {"1/port": 80, "a~1b/net/ch": 6}
        assert result["after"] == {"1/port": 8080, "a~1b/net/ch": 11}


@pytest.mark.parametrize("rc, record, changed, message", [
    (5, {"status": "not confirmed", "error": "page 1 differs"}, True, "page 1 differs"),
    (4, {"status": "failed", "error": "page list: Connection refused"}, False, "Connection refused"),
    (2, {"status": "bad input", "error": "1/port=x: the option takes a whole number"}, False, "whole number"),
    # A dry run's status with a write asked for is no success.
    (1, {"status": "would change"}, False, "other"),
])
def test_set_failures(rc, record, changed, message):
    record.update(module="m", changes=[])
    with pytest.raises(q.QuillnetError) as failure:
        q.set_result([record], rc, "quillnet: error: m: other", False)
    assert message in failure.value.message
    assert failure.value.record["changed"] == changed and not failure.value.record["confirmed"]


def test_set_refused_without_record():
    with pytest.raises(q.QuillnetError) as failure:
        q.set_result([], 2, "quillnet: error: 1=5 names a page\n", False)
    assert failure.value.message == "1=5 names a page"


def test_page_diffs():
    before = {"1/port": 80, "a~1b/net/ch": 6, "1/mode": "2"}
    after = {"1/port": 8080, "a~1b/net/ch": 11, "1/mode": "1"}
    assert q.page_diffs("m:81", before, after) == [
        {"before_header": "m:81 page 1", "after_header": "m:81 page 1",
         "before": 'port: 80\nmode: "2"\n', "after": 'port: 8080\nmode: "1"\n'},
        {"before_header": "m:81 page a/b", "after_header": "m:81 page a/b",
         "before": "net/ch: 6\n", "after": "net/ch: 11\n"},
    ]


def test_exit_statuses_are_quillnet_s():
    with open(os.path.join(SOURCE, "cli", "exitstatus.h")) as header:
        declared = dict((int(v), n) for n, v in re.findall(r"Exit(\w+) = (\d+)", header.read()))
    ours = dict((v, n) for n, v in vars(q).items() if n.startswith("EXIT_") and isinstance(v, int))
    assert sorted(declared) == sorted(ours) == sorted(q.EXIT_MEANINGS)
    for value, name in declared.items():
        assert ours[value] == "EXIT_" + re.sub(r"(?<!^)([A-Z])", r"_\1", name).upper()


def test_backup_reads_quillnet_s_own_words():
    from ansible_collections.quillnet.fleet.plugins.modules import backup
    with open(os.path.join(SOURCE, "cli", "commands", "history.cpp")) as source:
        assert backup.NO_VERSION_YET in source.read()
    with open(os.path.join(SOURCE, "cli", "commands", "backup.cpp")) as source:
        assert 'QStringLiteral("%s")' % backup.BACKUP_SAVED in source.read()
