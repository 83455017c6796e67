# -*- coding: utf-8 -*-
# Copyright: 2018-2026 Quillnet Configurator developers

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r"""
---
module: option
short_description: Sets options on one Quillnet module
description:
  - Sets options on one Quillnet module through C(quillnet set), which reads each page
    named, changes the values, writes the page back whole and reads it again.
  - A value takes the type the option has on the module; a choice takes its value or its
    label. The task reports a change only when the module's value differs as the option's
    type and choice list say, so a choice given by its label is no change when the module
    already holds its value.
  - In check mode it runs C(quillnet set --dry-run) and writes nothing; in diff mode it shows
    each option that changes, a page at a time, headed by the module and the page.
  - Runs on the host that has C(quillnet) and reaches the module, the controller or a site's
    host through C(delegate_to); it never speaks to the module itself.
version_added: "0.0.7"
author: Quillnet Configurator developers (@quillnet)
options:
  module:
    description:
      - The module's address, C(host) or C(host:port) (port 80 when none).
    type: str
    required: true
  options:
    description:
      - The options to set, a mapping of option path to value.
      - A path is C(PAGE/OPTION) or C(PAGE/GROUP/MEMBER), each key escaped as in a JSON
        pointer (C(~1) for C(/), C(~0) for C(~)), as C(quillnet set) takes it.
      - C(true) and C(false) set a flag as C(1) and C(0); a mapping or a list sets an option
        that holds a JSON object or array.
    type: dict
    required: true
  catalog:
    description:
      - The descriptions catalog (C(description.json)) with the options' types and choice
        lists. Without it, C(quillnet) uses C(description.json) of the task's working folder,
        and without that file it writes nothing and fails the task; so give I(catalog) unless
        the working folder holds one.
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
  - Nothing is written to a module when one of the values does not fit it; the task then
    fails before any write.
  - A write the module does not confirm when its page is read back fails the task with the
    module's message.
"""

EXAMPLES = r"""
- name: Station mode and channel 11 on every module of the list
  quillnet.fleet.option:
    module: "{{ quillnet_module }}"
    catalog: /srv/quillnet/description.json
    options:
      1/mode: STA
      3/net/ch: 11
  delegate_to: localhost

- name: The same through the site's host
  quillnet.fleet.option:
    module: "{{ quillnet_module }}"
    options:
      1/port: 8080
  delegate_to: site-north.example.org
"""

RETURN = r"""
before:
  description: The module's value of each option that changes (or would change), by path.
  returned: always
  type: dict
  sample: {"1/mode": "2", "3/net/ch": 6}
after:
  description: The value written (or that would be written) for each of those options.
  returned: always
  type: dict
  sample: {"1/mode": "1", "3/net/ch": 11}
confirmed:
  description:
    - Whether the module was seen holding every value given, by reading each written page
      back or because it held the values already.
    - False in check mode when something would change, and when a write failed.
  returned: always
  type: bool
status:
  description: What C(quillnet set) reported for the module (C(written), C(unchanged), C(would change), ...).
  returned: when quillnet reported on the module
  type: str
  sample: written
rc:
  description: The exit status of C(quillnet) when the task failed.
  returned: failure
  type: int
"""

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.quillnet.fleet.plugins.module_utils.quillnet import (
    COMMON_PARAMETERS,
    QuillnetError,
    Runner,
    assignments,
    fail,
    page_diffs,
    parse_json,
    set_result,
)


def main():
    parameters = dict(COMMON_PARAMETERS)
    parameters.update(options=dict(type="dict", required=True), catalog=dict(type="path"))
    module = AnsibleModule(argument_spec=parameters, supports_check_mode=True)
    try:
        runner = Runner(module)
        arguments = [runner.address] + assignments(module.params["options"])
        rc, stdout, stderr = runner.run("set", ["--dry-run"] if module.check_mode else [], arguments,
                                        catalog=module.params["catalog"])
        records = parse_json(stdout, rc, stderr) if stdout.strip() else []
        result = set_result(records, rc, stderr, module.check_mode)
    except QuillnetError as error:
        fail(module, error, before={}, after={}, confirmed=False)
    if module._diff and result["changed"]:
        result["diff"] = page_diffs(runner.address, result["before"], result["after"])
    module.exit_json(**result)


if __name__ == "__main__":
    main()
