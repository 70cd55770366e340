#!/usr/bin/env bash
# Checks that built plug-in modules resolve every symbol they need (ldd -r reports none
# undefined) and export their format's entry points.
#   check-modules.sh <vst3 module> <vst module>
set -u
vst3="$1"
vst="$2"
failed=0

for module in "$vst3" "$vst"; do
    undefined="$(ldd -r "$module" 2>&1 | grep -i 'undefined symbol' || true)"
    if [ -n "$undefined" ]; then
        echo "$module has undefined symbols:"
        echo "$undefined"
        failed=1
    fi
done

for symbol in GetPluginFactory ModuleEntry ModuleExit; do
    nm -D --defined-only "$vst3" | grep -qw "$symbol" || { echo "VST3 module lacks $symbol"; failed=1; }
done

for symbol in VSTPluginMain main; do
    nm -D --defined-only "$vst" | grep -qw "$symbol" || { echo "VST module lacks $symbol"; failed=1; }
done

[ "$failed" -eq 0 ] && echo "modules resolve all symbols and export their entry points"
exit "$failed"
