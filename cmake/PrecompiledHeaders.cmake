# Precompiled headers: the Qt and standard headers nearly every source includes, parsed
# once per set instead of once per source. Each set is compiled by one target and reused
# by the others, which share its compile options (levy_options, and Qt's -fPIC on
# libraries and programs alike): a header compiled with other options would not be used,
# and -Winvalid-pch, which CMake passes, makes that an error under warnings as errors.
option(LEVY_PRECOMPILED_HEADERS "Precompile the Qt and standard headers the targets share" ON)

# Without widgets: the core, the exports, the query worker and the command-line programs.
set(LEVY_PCH_CORE
    <algorithm> <array> <atomic> <cstdint> <functional> <memory> <mutex> <optional> <string>
    <string_view> <vector>
    <QByteArray> <QDateTime> <QDir> <QElapsedTimer> <QFile> <QFileInfo> <QHash> <QList> <QMap>
    <QObject> <QRegularExpression> <QSet> <QString> <QStringList>)
# The windows of both programs.
set(LEVY_PCH_WIDGETS ${LEVY_PCH_CORE}
    <QAction> <QApplication> <QDialog> <QGridLayout> <QHBoxLayout> <QKeyEvent> <QLabel>
    <QLineEdit> <QPushButton> <QTimer> <QVBoxLayout> <QWidget>)
# The test programs.
set(LEVY_PCH_TESTS ${LEVY_PCH_WIDGETS} <QTest>)

# levy_precompile(TARGET SET): TARGET compiles the headers of SET (CORE, WIDGETS or TESTS).
function(levy_precompile target set)
    if(LEVY_PRECOMPILED_HEADERS)
        target_precompile_headers(${target} PRIVATE ${LEVY_PCH_${set}})
    endif()
endfunction()

# levy_reuse_precompiled(PRODUCER TARGET...): the targets use the headers PRODUCER compiled.
function(levy_reuse_precompiled producer)
    if(LEVY_PRECOMPILED_HEADERS)
        foreach(target IN LISTS ARGN)
            target_precompile_headers(${target} REUSE_FROM ${producer})
        endforeach()
    endif()
endfunction()
