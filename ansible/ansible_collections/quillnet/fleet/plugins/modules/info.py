# -*- coding: utf-8 -*-
# Copyright: 2018-2026 Quillnet Configurator developers

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r"""
---
module: info
short_description: Reads a Quillnet module's pages, options and labels
description:
  - Reads one Quillnet module through C(quillnet pages) and C(quillnet get) and returns its
    pages in the module's order with their titles, and every option with its path, label
    and value.
  - Only reads; safe in check mode.
  - Runs on the host that has C(quillnet) and reaches the module, the controller or a site's
    host through C(delegate_to).
version_added: "0.0.7"
author: Quillnet Configurator developers (@quillnet)
options:
  module:
    description:
      - The module's address, C(host) or C(host:port) (port 80 when none).
    type: str
    required: true
  catalog:
    description:
      - The descriptions catalog (C(description.json)) with the pages' titles and the
        options' labels. Without it, C(quillnet) uses C(description.json) of its working
        folder when there is one.
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
    support: none
"""

EXAMPLES = r"""
- name: What the boiler room's module holds
  quillnet.fleet.info:
    module: 192.168.4.20
    catalog: /srv/quillnet/description.json
  delegate_to: localhost
  register: boiler

- name: Its Wi-Fi mode
  ansible.builtin.debug:
    msg: "{{ boiler.values['1']['mode'] }}"
"""

RETURN = r"""
pages:
  description: The module's pages in its order, each with its title from the catalog when it has one.
  returned: success
  type: list
  elements: dict
  sample: [{"key": "1", "title": "Network"}]
options:
  description: Every option (a group's members one by one) with its path, label and value.
  returned: success
  type: list
  elements: dict
  sample: [{"path": "1/mode", "label": "Wi-Fi mode", "value": "2"}]
values:
  description: The options' values by page key and option key, as the module holds them.
  returned: success
  type: dict
  sample: {"1": {"mode": "2", "port": 80}}
"""

import json

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.quillnet.fleet.plugins.module_utils.quillnet import (
    COMMON_PARAMETERS,
    EXIT_SOME_FAILED,
    EXIT_SUCCESS,
    QuillnetError,
    Runner,
    error_text,
    fail,
)


def main():
    parameters = dict(COMMON_PARAMETERS)
    parameters.update(catalog=dict(type="path"))
    module = AnsibleModule(argument_spec=parameters, supports_check_mode=True)
    catalog = module.params["catalog"]
    try:
        runner = Runner(module)
        dummy, pages = runner.json("pages", [], [runner.address], catalog=catalog)
        dummy, values = runner.json("get", [], [runner.address], catalog=catalog,
                                    ok_statuses=(EXIT_SUCCESS, EXIT_SOME_FAILED))
        rc, stdout, stderr = runner.checked("get", [], [runner.address], catalog=catalog, output="jsonl",
                                            ok_statuses=(EXIT_SUCCESS, EXIT_SOME_FAILED))
        options = [json.loads(line) for line in stdout.splitlines() if line.strip()]
        if rc == EXIT_SOME_FAILED:
            module.warn(error_text(stderr) or "some pages could not be read")
    except (QuillnetError, ValueError) as error:
        fail(module, error if isinstance(error, QuillnetError) else QuillnetError(str(error)))
    module.exit_json(changed=False, pages=pages, options=options, values=values)


if __name__ == "__main__":
    main()
