# -*- coding: utf-8 -*-
# Copyright: 2018-2026 Quillnet Configurator developers

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r"""
---
module: backup
short_description: Backs up every page of one Quillnet module into a file or a history
description:
  - Backs up one Quillnet module through C(quillnet backup) into a backup file (mode 0600),
    written all or nothing, or into a history (C(quillnet backup --git)), a git repository
    holding a file per module, of which each run that changes a module makes a commit.
  - Reports a change only when the module's settings differ from the backup already in
    I(dest) (C(quillnet diff)) or from the module's last version in I(history); a backup
    that would differ only in its time is not written again, so the file keeps the time the
    settings were last seen to change.
  - In check mode it compares the module with I(dest), or with its last version in
    I(history), and writes nothing; in diff mode it shows each option that differs.
  - Runs on the host that has C(quillnet) and reaches the module, the controller or a site's
    host through C(delegate_to); the file is written there.
version_added: "0.0.7"
author: Quillnet Configurator developers (@quillnet)
options:
  module:
    description:
      - The module's address, C(host) or C(host:port) (port 80 when none).
    type: str
    required: true
  dest:
    description:
      - The backup file. Its folder must exist.
      - One of I(dest) and I(history) is required.
    type: path
  history:
    description:
      - The history folder, made and initialised when missing or empty; the module's file
        there is named for its address. Tasks of several hosts into one history take turns.
      - Browse it with C(quillnet history MODULE --git HISTORY) and C(quillnet diff).
    type: path
  timeout:
    description:
      - Seconds each request to the module may take (C(quillnet --timeout)); 5 when not given.
    type: float
  quillnet:
    description:
      - The C(quillnet) program, a name looked up on C(PATH) or a path.
    type: path
    default: quillnet
attributes:
  check_mode:
    support: full
  diff_mode:
    support: full
notes:
  - A backup that lacks pages the module did not give fails the task and leaves the file in
    I(dest), or the module's last version in I(history), as it was.
"""

EXAMPLES = r"""
- name: Each module of the list into its own file on the site's host
  quillnet.fleet.backup:
    module: "{{ quillnet_module }}"
    dest: "/srv/quillnet-backups/{{ inventory_hostname }}.json"
  delegate_to: site-north.example.org

- name: Every module into one history, a commit for each module that changed
  quillnet.fleet.backup:
    module: "{{ quillnet_module }}"
    history: /srv/quillnet-history
  delegate_to: site-north.example.org
"""

RETURN = r"""
dest:
  description: The backup file.
  returned: when I(dest) is given
  type: str
  sample: /srv/quillnet-backups/boiler.json
history:
  description: The history folder.
  returned: when I(history) is given
  type: str
  sample: /srv/quillnet-history
commit:
  description: The commit that holds the module's new version.
  returned: when I(history) is given and the module changed
  type: str
  sample: 6f1c2a9e0b7d4c3f8a5e2d1b0c9f8e7d6a5b4c3d
differences:
  description: Each option that differs between the last backup and the module (C(before) and C(after) by path).
  returned: success
  type: list
  elements: dict
  sample: [{"path": "1/port", "a": 80, "b": 8080}]
"""

import fcntl
import json
import os

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.quillnet.fleet.plugins.module_utils.quillnet import (
    COMMON_PARAMETERS,
    EXIT_BAD_INPUT,
    EXIT_DIFFERENCES,
    EXIT_SUCCESS,
    QuillnetError,
    Runner,
    error_text,
    fail,
    module_record,
    parse_json,
)

# What quillnet backup says of a module it wrote, and what quillnet history says of a module
# the history holds no version of.
BACKUP_SAVED = "saved"
NO_VERSION_YET = "holds no backup of"


def differences_diff(address, dest, differences):
    before = "".join("%s: %s\n" % (d["path"], json.dumps(d["a"], ensure_ascii=False)) for d in differences if "a" in d)
    after = "".join("%s: %s\n" % (d["path"], json.dumps(d["b"], ensure_ascii=False)) for d in differences if "b" in d)
    return dict(before_header=dest, after_header=address, before=before, after=after)


def compare(runner, a, b):
    """The differences between a backup file and a module or another file."""
    dummy, differences = runner.json("diff", [], [a, b], ok_statuses=(EXIT_SUCCESS, EXIT_DIFFERENCES))
    return differences


def read_whole_module(runner):
    """Reads the whole module as a backup would, and keeps nothing."""
    runner.checked("backup", ["-O", "-"], [runner.address])


def newest_version(runner, history):
    """The record of the module's newest version in the history, or None when it has none."""
    rc, stdout, stderr = runner.run("history", ["--git", history], [runner.address])
    if rc == EXIT_SUCCESS:
        versions = parse_json(stdout, rc, stderr)
        return versions[0] if versions else None
    if rc == EXIT_BAD_INPUT and (not os.path.isdir(history) or not os.listdir(history)
                                 or NO_VERSION_YET in stderr):
        return None
    raise QuillnetError(error_text(stderr) or "quillnet history exited %d" % rc, rc=rc)


def as_differences(version):
    """A history version's changes as the differences quillnet diff gives."""
    differences = []
    for change in version.get("changes") or []:
        difference = dict(path=change["path"])
        if "from" in change:
            difference["a"] = change["from"]
        if "to" in change:
            difference["b"] = change["to"]
        differences.append(difference)
    return differences


def backup_into_history(runner, history, check_mode, result):
    if check_mode:
        if newest_version(runner, history) is None:
            read_whole_module(runner)
            result["changed"] = True
        else:
            result["differences"] = compare(runner, history + "@HEAD", runner.address)
            result["changed"] = bool(result["differences"])
        return
    if not os.path.isdir(history):
        os.makedirs(history)
    # One run at a time commits into a history: the tasks of other hosts wait for this one.
    folder = os.open(history, os.O_RDONLY)
    try:
        fcntl.flock(folder, fcntl.LOCK_EX)
        rc, records = runner.json("backup", ["--git", history], [runner.address])
        record = module_record(records, rc, "")
        if record.get("status") != BACKUP_SAVED:
            return
        version = newest_version(runner, history)
    finally:
        os.close(folder)
    result["changed"] = True
    if version is not None:
        result["commit"] = version.get("commit")
        result["differences"] = as_differences(version)


def backup_into_file(runner, dest, check_mode, result):
    folder, name = os.path.split(os.path.abspath(dest))
    # Next to the backup, so that it replaces the backup in one rename.
    fresh = os.path.join(folder, ".%s.new-%d.json" % (name, os.getpid()))
    exists = os.path.isfile(dest)
    if check_mode:
        if exists:
            result["differences"] = compare(runner, dest, runner.address)
            result["changed"] = bool(result["differences"])
        else:
            read_whole_module(runner)
            result["changed"] = True
        return
    try:
        runner.json("backup", ["-O", fresh], [runner.address])
        if exists:
            result["differences"] = compare(runner, dest, fresh)
        if not exists or result["differences"]:
            os.rename(fresh, dest)
            result["changed"] = True
    finally:
        if os.path.exists(fresh):
            os.remove(fresh)


def main():
    parameters = dict(COMMON_PARAMETERS)
    parameters.update(dest=dict(type="path"), history=dict(type="path"))
    module = AnsibleModule(argument_spec=parameters, supports_check_mode=True,
                           mutually_exclusive=[("dest", "history")], required_one_of=[("dest", "history")])
    dest = module.params["dest"]
    history = module.params["history"]
    result = dict(changed=False, differences=[])
    if history:
        result["history"] = history
    else:
        result["dest"] = dest
    runner = None
    try:
        runner = Runner(module)
        if history:
            backup_into_history(runner, history, module.check_mode, result)
        else:
            backup_into_file(runner, dest, module.check_mode, result)
    except (QuillnetError, OSError) as error:
        fail(module, error if isinstance(error, QuillnetError) else QuillnetError(str(error)), **result)
    if module._diff and result["differences"]:
        result["diff"] = differences_diff(runner.address, history or dest, result["differences"])
    module.exit_json(**result)


if __name__ == "__main__":
    main()
