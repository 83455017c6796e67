#!/bin/sh
# ansible-test's sanity tests of the collection that need no network: the others install
# their tools into virtual environments from the network first. ansible-doc stands in for
# the documentation tests: it loads each plugin's DOCUMENTATION, EXAMPLES and RETURN.
# ansible-test writes into the collection's tests/output/, so it runs on a copy.
# Usage: sanity.sh COLLECTION_DIR
set -eu
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
copy="$work/ansible_collections/quillnet/fleet"
mkdir -p "$copy"
cp -R "$1"/. "$copy"
find "$copy" -name __pycache__ -prune -exec rm -rf {} +
python=$(sed -n '1s/^#! *//p' "$(command -v ansible-test)" | cut -d' ' -f1)
version=$("$python" -c 'import sys; print("%d.%d" % sys.version_info[:2])')

cd "$copy"
tests=""
for test in action-plugin-docs compile empty-init future-import-boilerplate line-endings \
            metaclass-boilerplate no-assert no-basestring no-dict-iteritems no-dict-iterkeys \
            no-dict-itervalues no-get-exception no-illegal-filenames no-main-display \
            no-smart-quotes no-unicode-literals replace-urlopen shebang symlinks \
            use-argspec-type-path use-compat-six; do
    tests="$tests --test $test"
done
# shellcheck disable=SC2086
PATH=$(dirname "$python"):$PATH ansible-test sanity --color no --python "$version" $tests

export ANSIBLE_COLLECTIONS_PATH="$work" ANSIBLE_HOME="$work/home"
# Each plugin with its documentation, examples and (for a module) return values.
check='import json, sys
docs = json.load(sys.stdin)
names = sys.argv[2:]
missing = [n for n in names if not (docs.get(n) or {}).get("doc") or not docs[n].get("examples")
           or (sys.argv[1] == "module" and not docs[n].get("return"))]
assert sorted(docs) == sorted(names) and not missing, (sorted(docs), missing)'
ansible-doc --json -t module quillnet.fleet.option quillnet.fleet.backup quillnet.fleet.info |
    "$python" -c "$check" module quillnet.fleet.option quillnet.fleet.backup quillnet.fleet.info
ansible-doc --json -t inventory quillnet.fleet.modules | "$python" -c "$check" inventory quillnet.fleet.modules
echo "ansible-doc: each plugin's documentation, examples and return values load"
