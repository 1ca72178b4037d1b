#!/bin/sh
# Runs the include scan over small trees, each with one include, and checks
# that it passes or fails as the layer table says.
# check_layers_test.sh <cmake> <CheckLayers.cmake> <Lumra.cmake>
set -u
cmake=$1 script=$2 table=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# expect <pass|fail> <file under src/> <include line>
expect() {
    rm -rf "$work/src" && mkdir -p "$work/src/$(dirname "$2")"
    printf '%s\n' "$3" >"$work/src/$2"
    if "$cmake" -DSRC="$work/src" -DLAYERS_FILE="$table" -P "$script" >"$work/out" 2>&1; then
        outcome=pass
    else
        outcome=fail
    fi
    if [ "$outcome" != "$1" ]; then
        echo "FAILED: $2 with '$3': expected $1, got $outcome"
        cat "$work/out"
        failures=$((failures + 1))
    fi
}

expect fail export/report/Report.h '#include <QString>'
expect fail export/collection/Stage.cpp '#include <QtCore/QObject>'
expect fail export/report/Report.h '#include "qt/Palette.h"'
expect fail export/collection/Stage.h '#include "export/window/DiagnosticsExportWindowView.h"'
expect pass export/collection/Stage.h '#include "export/report/DiagnosticsExportReport.h"'
expect pass export/window/Card.cpp '#include <QWidget>'
expect pass export/window/Card.cpp '#include "qt/Palette.h"'
expect pass export/window/Card.cpp '#include "export/report/DiagnosticsExportReport.h"'
expect fail panel/viewmodel/Rows.h '#include <QColor>'
expect fail windows/radar/viewmodel/Score.h '#include "qt/Palette.h"'
expect pass windows/radar/Window.cpp '#include "qt/Palette.h"'
expect fail probes/ping/Probe.h '#include "monitoring/ping/PingMonitor.h"'
expect fail systool/Tool.cpp '#include "platform/process/ChildProcess.h"'
expect pass systool/Tool.cpp '#include "base/UniqueFd.h"'
expect pass platform/process/Child.cpp '#include "base/DiagnosticLog.h"'
expect fail base/Log.cpp '#include "model/Url.h"'
expect fail base/Log.cpp '#include <QDebug>'
expect pass app/Delegate.cpp '#include "export/window/DiagnosticsExportWindowView.h"'
expect fail panel/widgets/Content.cpp '#include "export/window/DiagnosticsExportWindowView.h"'

[ "$failures" -eq 0 ] && echo "all cases as expected"
exit "$failures"
