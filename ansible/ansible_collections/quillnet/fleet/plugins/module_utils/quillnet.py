# -*- coding: utf-8 -*-
# Copyright: 2018-2026 Quillnet Configurator developers
"""Runs the quillnet command line for the modules of this collection.

Every rule about a Quillnet module (types, choices, re-reading before a write, reading back
after it) lives in quillnet; this file only builds its command lines, runs them with JSON
output and turns their exit statuses and records into task results.
"""

from __future__ import absolute_import, division, print_function

__metaclass__ = type

import json

# quillnet's exit statuses (cli/exitstatus.h).
EXIT_SUCCESS = 0
EXIT_DIFFERENCES = 1
EXIT_BAD_INPUT = 2
EXIT_SOME_FAILED = 3
EXIT_ALL_FAILED = 4
EXIT_NOT_CONFIRMED = 5
EXIT_NOT_A_BACKUP = 6
EXIT_MODULE_CHANGED = 7

EXIT_MEANINGS = {
    EXIT_SUCCESS: "done",
    EXIT_DIFFERENCES: "differences",
    EXIT_BAD_INPUT: "bad usage or input",
    EXIT_SOME_FAILED: "some targets failed",
    EXIT_ALL_FAILED: "no target succeeded",
    EXIT_NOT_CONFIRMED: "a write not confirmed by reading back",
    EXIT_NOT_A_BACKUP: "not a backup file",
    EXIT_MODULE_CHANGED: "the module changed while quillnet worked",
}

# What set says of a module it has done with.
SET_WRITTEN = "written"
SET_WOULD_CHANGE = "would change"
SET_UNCHANGED = "unchanged"
SET_MAYBE_WRITTEN = ("not confirmed", "partly written")

# The arguments every module of the collection takes besides its own.
COMMON_PARAMETERS = dict(
    module=dict(type="str", required=True),
    timeout=dict(type="float"),
    quillnet=dict(type="path", default="quillnet"),
)

ASSIGNMENT = "="
PATH_SEPARATOR = "/"


class QuillnetError(Exception):
    """A quillnet run that did not do what it was asked, with quillnet's own message."""

    def __init__(self, message, rc=None, record=None):
        super(QuillnetError, self).__init__(message)
        self.message = message
        self.rc = rc
        self.record = record or {}


def check_module_address(address):
    """The address as quillnet takes it, or QuillnetError when it would read as something
    else on quillnet's command line (an option, or the start of the assignments)."""
    if not address or address != address.strip():
        raise QuillnetError("module must be an address, host or host:port, without blanks")
    if address.startswith("-") or ASSIGNMENT in address or any(c.isspace() for c in address):
        raise QuillnetError("module %r is not an address (host or host:port)" % address)
    return address


def value_text(value):
    """A value as quillnet set takes it on its command line: quillnet gives it the type the
    option has on the module, so only the text matters here."""
    if value is None:
        raise QuillnetError("a value is missing (null)")
    if isinstance(value, bool):
        return "true" if value else "false"
    if isinstance(value, (int, float)):
        return repr(value)
    if isinstance(value, (dict, list)):
        return json.dumps(value, separators=(",", ":"), ensure_ascii=False, sort_keys=False)
    return str(value)


def assignments(options):
    """PATH=VALUE arguments of quillnet set for a mapping of option path to value, in the
    mapping's order."""
    if not options:
        raise QuillnetError("options names no option to set")
    result = []
    for path, value in options.items():
        path = str(path)
        # quillnet splits an assignment at its first "=": a path holding one would set
        # another option than the one named.
        if ASSIGNMENT in path:
            raise QuillnetError("option path %r holds \"=\"; a path is PAGE/OPTION or PAGE/GROUP/MEMBER" % path)
        if PATH_SEPARATOR not in path or path.startswith("-"):
            raise QuillnetError("option path %r is not PAGE/OPTION or PAGE/GROUP/MEMBER" % path)
        result.append(path + ASSIGNMENT + value_text(value))
    return result


def command_line(binary, command, arguments, timeout=None, catalog=None, output="json"):
    """quillnet's argument list: JSON output (or JSON lines), only errors on standard error,
    the global options, then the command with its options, and its arguments after "--" so
    that none reads as an option."""
    line = [binary, "-o", output, "-q"]
    if timeout is not None:
        line += ["--timeout", repr(float(timeout))]
    if catalog:
        line += ["--catalog", catalog]
    return line + [command] + list(arguments[0]) + ["--"] + list(arguments[1])


def error_text(stderr):
    """quillnet's messages without its name in front, one line."""
    lines = []
    for line in (stderr or "").splitlines():
        line = line.strip()
        for prefix in ("quillnet: error: ", "quillnet: warning: ", "quillnet: "):
            if line.startswith(prefix):
                line = line[len(prefix):]
                break
        if line:
            lines.append(line)
    return "; ".join(lines)


def parse_json(stdout, rc, stderr):
    try:
        return json.loads(stdout)
    except ValueError:
        raise QuillnetError(error_text(stderr) or "quillnet exited %d (%s) and printed no JSON"
                            % (rc, EXIT_MEANINGS.get(rc, "an unknown status")), rc=rc)


def module_record(records, rc, stderr):
    """The one record of a command run on one module."""
    if not isinstance(records, list) or len(records) != 1 or not isinstance(records[0], dict):
        raise QuillnetError(error_text(stderr) or "quillnet exited %d and gave no record of the module" % rc,
                            rc=rc)
    return records[0]


def split_path(path):
    """A quillnet option path's page key (unescaped, as in a JSON pointer) and the rest."""
    page, _, rest = path.partition(PATH_SEPARATOR)
    return page.replace("~1", "/").replace("~0", "~"), rest


def set_result(records, rc, stderr, check_mode):
    """A task result for quillnet set's run on one module; QuillnetError when it failed."""
    if rc == EXIT_BAD_INPUT and not records:
        raise QuillnetError(error_text(stderr) or "quillnet set refused its arguments", rc=rc)
    record = module_record(records, rc, stderr)
    status = record.get("status")
    changes = record.get("changes") or []
    before = dict((change["path"], change.get("from")) for change in changes)
    after = dict((change["path"], change.get("to")) for change in changes)
    result = dict(module=record.get("module"), status=status, before=before, after=after)
    done = {EXIT_SUCCESS: (SET_WRITTEN, SET_UNCHANGED), EXIT_DIFFERENCES: (SET_WOULD_CHANGE,)}
    if status in done.get(rc, ()) and (status != SET_WOULD_CHANGE or check_mode):
        result["changed"] = status != SET_UNCHANGED
        # Seen holding every value: read back after the write, or held already.
        result["confirmed"] = status != SET_WOULD_CHANGE
        return result
    result["confirmed"] = False
    # A write not confirmed, or one of several pages written, may have changed the module.
    result["changed"] = rc == EXIT_NOT_CONFIRMED or status in SET_MAYBE_WRITTEN
    raise QuillnetError(record.get("error") or error_text(stderr)
                        or "quillnet set: %s (exit %d, %s)" % (status, rc, EXIT_MEANINGS.get(rc, "unknown")),
                        rc=rc, record=result)


def page_diffs(address, before, after):
    """Ansible's diff of a set: one before/after text per page, headed by the module and the
    page, an option a line, the pages in the order of their first option."""
    pages = []
    lines = {}
    for path in before:
        page, rest = split_path(path)
        if page not in lines:
            pages.append(page)
            lines[page] = ([], [])
        lines[page][0].append("%s: %s\n" % (rest, json.dumps(before[path], ensure_ascii=False)))
        lines[page][1].append("%s: %s\n" % (rest, json.dumps(after[path], ensure_ascii=False)))
    diffs = []
    for page in pages:
        header = "%s page %s" % (address, page)
        diffs.append(dict(before_header=header, after_header=header,
                          before="".join(lines[page][0]), after="".join(lines[page][1])))
    return diffs


class Runner:
    """quillnet run for an AnsibleModule: its path found once, its output parsed."""

    def __init__(self, module):
        self.module = module
        self.address = check_module_address(module.params["module"])
        self.timeout = module.params.get("timeout")
        binary = module.params.get("quillnet") or "quillnet"
        self.binary = module.get_bin_path(binary, required=False) or binary

    def run(self, command, options, arguments, catalog=None, output="json"):
        """(rc, stdout, stderr) of `quillnet COMMAND OPTIONS -- ARGUMENTS`."""
        line = command_line(self.binary, command, (options, arguments), self.timeout, catalog, output)
        try:
            return self.module.run_command(line, encoding="utf-8", errors="surrogate_or_replace")
        except OSError as error:
            raise QuillnetError("cannot run %s: %s" % (self.binary, error))

    def checked(self, command, options, arguments, ok_statuses=(EXIT_SUCCESS,), catalog=None, output="json"):
        """(rc, stdout, stderr) of a run that ended with one of the statuses; QuillnetError
        with quillnet's message otherwise."""
        rc, stdout, stderr = self.run(command, options, arguments, catalog, output)
        if rc not in ok_statuses:
            raise QuillnetError(error_text(stderr) or "quillnet %s exited %d (%s)"
                                % (command, rc, EXIT_MEANINGS.get(rc, "an unknown status")), rc=rc)
        return rc, stdout, stderr

    def json(self, command, options, arguments, ok_statuses=(EXIT_SUCCESS,), catalog=None):
        """(rc, the JSON document) of a run that ended with one of the statuses."""
        rc, stdout, stderr = self.checked(command, options, arguments, ok_statuses, catalog)
        return rc, parse_json(stdout, rc, stderr)


def fail(module, error, **result):
    """Fails the task with quillnet's message and what is known of the run."""
    result.update(error.record)
    result.setdefault("changed", False)
    if error.rc is not None:
        result["rc"] = error.rc
    module.fail_json(msg=error.message, **result)
