#!/usr/bin/env bash
# Checks that built plug-in modules resolve every symbol they need (ldd -r reports none
# undefined), export their format's entry points and carry none of the framework's plug-in
# hosting or modal loops (only the host tests compile the hosting).
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

# What ships is built without the framework's plug-in hosting and without modal loops. Distinctive
# names of the hosting code (its format classes, their instances and windows, the VST3 host's
# module handling) and of the modal loops must not appear in either module.
hosting='VST3PluginFormat|VSTPluginFormat|VST3PluginInstance|VSTPluginInstance|VST3PluginWindow|VSTPluginWindow|VST3ModuleHandle'
modal='Component::runModalLoop|MessageManager::runDispatchLoopUntil|AlertWindow::showMessageBox\b'
for module in "$vst3" "$vst"; do
    symbols="$( { nm -C "$module" 2>/dev/null; nm -C -D "$module"; } | sort -u)"
    for kind in hosting modal; do
        found="$(printf '%s\n' "$symbols" | grep -E "${!kind}" || true)"
        if [ -n "$found" ]; then
            echo "$module carries ${kind/modal/modal-loop} code ($(printf '%s\n' "$found" | wc -l) symbols), e.g.:"
            printf '%s\n' "$found" | head -5
            failed=1
        fi
    done
done

[ "$failed" -eq 0 ] && echo "modules resolve all symbols, export their entry points and carry no hosting or modal-loop code"
exit "$failed"
