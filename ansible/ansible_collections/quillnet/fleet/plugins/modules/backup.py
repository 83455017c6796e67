# -*- coding: utf-8 -*-
# Copyright: 2018-2026 Quillnet Configurator developers

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r"""
---
module: backup
short_description: Backs up every page of one Quillnet module into a file
description:
  - Backs up one Quillnet module through C(quillnet backup) into a backup file (mode 0600),
    written all or nothing.
  - Reports a change only when the module's settings differ from the backup already in
    I(dest) (C(quillnet diff)); a backup that would differ only in its time is not written
    again, so the file keeps the time the settings were last seen to change.
  - In check mode it compares the module with I(dest) and writes nothing; in diff mode it
    shows each option that differs.
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
    type: path
    required: true
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
    I(dest) as it was.
"""

EXAMPLES = r"""
- name: Each module of the list into its own file on the site's host
  quillnet.fleet.backup:
    module: "{{ quillnet_module }}"
    dest: "/srv/quillnet-backups/{{ inventory_hostname }}.json"
  delegate_to: site-north.example.org
"""

RETURN = r"""
dest:
  description: The backup file.
  returned: always
  type: str
  sample: /srv/quillnet-backups/boiler.json
differences:
  description: Each option that differs between the last backup and the module (C(before) and C(after) by path).
  returned: success
  type: list
  elements: dict
  sample: [{"path": "1/port", "a": 80, "b": 8080}]
"""

import json
import os

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.quillnet.fleet.plugins.module_utils.quillnet import (
    COMMON_PARAMETERS,
    EXIT_DIFFERENCES,
    EXIT_SUCCESS,
    QuillnetError,
    Runner,
    fail,
)


def differences_diff(address, dest, differences):
    before = "".join("%s: %s\n" % (d["path"], json.dumps(d["a"], ensure_ascii=False)) for d in differences if "a" in d)
    after = "".join("%s: %s\n" % (d["path"], json.dumps(d["b"], ensure_ascii=False)) for d in differences if "b" in d)
    return dict(before_header=dest, after_header=address, before=before, after=after)


def compare(runner, a, b):
    """The differences between a backup file and a module or another file."""
    dummy, differences = runner.json("diff", [], [a, b], ok_statuses=(EXIT_SUCCESS, EXIT_DIFFERENCES))
    return differences


def main():
    parameters = dict(COMMON_PARAMETERS)
    parameters.update(dest=dict(type="path", required=True))
    module = AnsibleModule(argument_spec=parameters, supports_check_mode=True)
    dest = module.params["dest"]
    folder, name = os.path.split(os.path.abspath(dest))
    # Next to the backup, so that it replaces the backup in one rename.
    fresh = os.path.join(folder, ".%s.new-%d.json" % (name, os.getpid()))
    result = dict(changed=False, dest=dest, differences=[])
    try:
        runner = Runner(module)
        exists = os.path.isfile(dest)
        if module.check_mode:
            if exists:
                result["differences"] = compare(runner, dest, runner.address)
                result["changed"] = bool(result["differences"])
            else:
                # Read the whole module as a backup would, and keep nothing.
                runner.checked("backup", ["-O", "-"], [runner.address])
                result["changed"] = True
        else:
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
    except (QuillnetError, OSError) as error:
        fail(module, error if isinstance(error, QuillnetError) else QuillnetError(str(error)), dest=dest)
    if module._diff and result["differences"]:
        result["diff"] = differences_diff(runner.address, dest, result["differences"])
    module.exit_json(**result)


if __name__ == "__main__":
    main()
