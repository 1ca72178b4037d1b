#!/bin/sh
# Runs the include scan over small trees, each with one include, and
# configures small projects, each linking layers one way, and checks that
# each passes or fails as the layer table says.
# check_layers_test.sh <cmake> <CheckLayers.cmake> <Lumra.cmake>
set -u
cmake=$1
script=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
table=$(cd "$(dirname "$3")" && pwd)/$(basename "$3")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# expect <pass|fail> <file under src/> <include line>; the scan gets the
# tree as $source, from the work directory.
source="$work/src"
expect() {
    rm -rf "$work/src" && mkdir -p "$work/src/$(dirname "$2")"
    printf '%s\n' "$3" >"$work/src/$2"
    if (cd "$work" && "$cmake" -DSRC="$source" -DLAYERS_FILE="$table" -P "$script") \
        >"$work/out" 2>&1; then
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
# The table holds only the arrows in use: these two are not.
expect fail windows/radar/Window.cpp '#include "panel/widgets/ContentView.h"'
expect fail concurrency/RunLoop.cpp '#include "model/Url.h"'

# A relative tree is read as well as an absolute one, and a tree without
# sources fails: neither may pass for want of files.
source=src
expect fail probes/ping/Probe.h '#include "monitoring/ping/PingMonitor.h"'
expect pass probes/ping/Probe.h '#include "platform/process/ChildProcess.h"'
expect fail probes/ping/Probe.txt '#include "monitoring/ping/PingMonitor.h"'
source=./missing
expect fail probes/ping/Probe.h '#include "platform/process/ChildProcess.h"'
source="$work/src"

# expect_link <pass|fail> <CMake lines after layers base, model, qt exist>
# The project is configured only: the link check runs at the end of that.
project="$work/project"
mkdir -p "$project/src"
: >"$project/src/empty.cpp"
expect_link() {
    cat >"$project/CMakeLists.txt" <<EOF
cmake_minimum_required(VERSION 3.25)
project(layers CXX)
include($table)
lumra_add_layer(base SOURCES src/empty.cpp)
lumra_add_layer(model SOURCES src/empty.cpp)
lumra_add_layer(qt SOURCES src/empty.cpp)
$2
EOF
    if "$cmake" -S "$project" -B "$project/build" >"$work/out" 2>&1; then
        outcome=pass
    else
        outcome=fail
    fi
    if [ "$outcome" != "$1" ]; then
        echo "FAILED: a project with '$2': expected $1, got $outcome"
        cat "$work/out"
        failures=$((failures + 1))
    fi
}

expect_link pass 'lumra_add_layer(probes SOURCES src/empty.cpp LIBS lumra_model)'
expect_link pass 'lumra_add_layer(probes SOURCES src/empty.cpp DEPENDS model)'
expect_link fail 'lumra_add_layer(probes SOURCES src/empty.cpp DEPENDS qt)'
expect_link fail 'lumra_add_layer(probes SOURCES src/empty.cpp LIBS lumra_qt)'
expect_link fail 'lumra_add_layer(probes SOURCES src/empty.cpp LIBS $<LINK_ONLY:lumra_qt>)'
expect_link fail 'add_library(Lumra::qt ALIAS lumra_qt)
lumra_add_layer(probes SOURCES src/empty.cpp LIBS Lumra::qt)'
expect_link fail 'add_library(lumra_helpers STATIC src/empty.cpp)
target_link_libraries(lumra_helpers PRIVATE lumra_qt)
lumra_add_layer(probes SOURCES src/empty.cpp LIBS lumra_helpers)'
expect_link fail 'lumra_add_layer(probes SOURCES src/empty.cpp)
target_link_libraries(lumra_probes PRIVATE lumra_qt)'
expect_link fail 'lumra_add_layer(systool SOURCES src/empty.cpp LIBS lumra_model)'
expect_link fail 'lumra_add_layer(concurrency SOURCES src/empty.cpp DEPENDS model)'
expect_link pass 'lumra_add_layer(qt TARGET lumra_qt_extra SOURCES src/empty.cpp LIBS lumra_qt)'

[ "$failures" -eq 0 ] && echo "all cases as expected"
exit "$failures"
