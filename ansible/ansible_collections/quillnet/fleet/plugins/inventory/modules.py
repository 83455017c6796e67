# -*- coding: utf-8 -*-
# Copyright: 2018-2026 Quillnet Configurator developers

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r"""
---
name: modules
short_description: The modules of a Quillnet module list as hosts
description:
  - Lists the modules of a module list file (the configurator's C(options.ini)) through
    C(quillnet modules), one host each, so that a play can target C(all) or a label.
  - A host is named for the module's address with C(:) written as C(_) (C(192.168.4.20_8080),
    as C(quillnet backup) names its files), and holds the address in C(quillnet_module) and
    the module's label in C(quillnet_label).
  - Each label is also a group of the modules that bear it.
  - The hosts are modules, not machines; tasks run where C(quillnet) is, on the controller
    (C(ansible_connection) is C(local) unless I(connection) says otherwise) or on a site's host
    through C(delegate_to).
  - The configuration file's name ends in C(quillnet.yml) or C(quillnet.yaml).
version_added: "0.0.7"
author: Quillnet Configurator developers (@quillnet)
extends_documentation_fragment:
  - constructed
options:
  plugin:
    description: The name of this plugin.
    required: true
    choices: ["quillnet.fleet.modules"]
  modules_file:
    description:
      - The module list file, relative to the configuration file's folder when not absolute.
    type: path
    default: options.ini
  connection:
    description:
      - The C(ansible_connection) of each host; empty to set none.
    type: str
    default: local
  quillnet:
    description:
      - The C(quillnet) program, a name looked up on C(PATH) or a path.
    type: str
    default: quillnet
"""

EXAMPLES = r"""
# plant.quillnet.yml, next to the plant's options.ini
plugin: quillnet.fleet.modules
modules_file: options.ini
# ansible-playbook -i plant.quillnet.yml fleet.yml --limit boiler
"""

import json
import os
import subprocess

from ansible.errors import AnsibleParserError
from ansible.module_utils.common.text.converters import to_native, to_text
from ansible.plugins.inventory import BaseInventoryPlugin, Constructable

CONFIG_SUFFIXES = ("quillnet.yml", "quillnet.yaml")


def host_name(address):
    """A host name for a module's address that Ansible's host patterns take whole."""
    return address.replace(":", "_")


class InventoryModule(BaseInventoryPlugin, Constructable):

    NAME = "quillnet.fleet.modules"

    def verify_file(self, path):
        return super(InventoryModule, self).verify_file(path) and path.endswith(CONFIG_SUFFIXES)

    def list_modules(self, binary, modules_file):
        line = [binary, "-o", "json", "-q", "--modules-file", modules_file, "modules"]
        try:
            process = subprocess.Popen(line, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
            stdout, stderr = process.communicate()
        except OSError as error:
            raise AnsibleParserError("cannot run %s: %s" % (binary, to_native(error)))
        if process.returncode != 0:
            raise AnsibleParserError("quillnet modules: %s" % to_native(stderr).strip())
        try:
            return json.loads(to_text(stdout))
        except ValueError:
            raise AnsibleParserError("quillnet modules printed no JSON")

    def parse(self, inventory, loader, path, cache=True):
        super(InventoryModule, self).parse(inventory, loader, path, cache)
        self._read_config_data(path)
        modules_file = self.get_option("modules_file")
        if not os.path.isabs(modules_file):
            modules_file = os.path.join(os.path.dirname(os.path.abspath(path)), modules_file)
        connection = self.get_option("connection")
        strict = self.get_option("strict")
        for entry in self.list_modules(self.get_option("quillnet"), modules_file):
            address = entry.get("address")
            label = entry.get("label") or address
            host = self.inventory.add_host(host_name(address))
            self.inventory.set_variable(host, "quillnet_module", address)
            self.inventory.set_variable(host, "quillnet_label", label)
            if connection:
                self.inventory.set_variable(host, "ansible_connection", connection)
            if label != address:
                group = self.inventory.add_group(self._sanitize_group_name(label))
                self.inventory.add_child(group, host)
            variables = self.inventory.get_host(host).get_vars()
            self._set_composite_vars(self.get_option("compose"), variables, host, strict=strict)
            self._add_host_to_composed_groups(self.get_option("groups"), variables, host, strict=strict)
            self._add_host_to_keyed_groups(self.get_option("keyed_groups"), variables, host, strict=strict)
