#include "ToolRunner.h"

#include <gtest/gtest.h>

TEST(Osascript, AcceptsOnlyTheAdministratorShellForm) {
    qputenv("QUENLARK_ELEVATION", "unprivileged");
    struct Case {
        QString script;
        bool accepted;
    };
    const QList<Case> cases = {
        {"do shell script \"echo hi\" with administrator privileges", true},
        {"do shell script \"echo hi\" with prompt \"P \\\"x\\\" \\\\\" with administrator privileges\n", true},
        {"  do  shell script \"echo hi\"\nwith administrator privileges  ", true},
        {"do shell script \"echo hi\"", false},
        {"do shell script \"echo hi\" with administrator privileges and more", false},
        {"do shell script \"echo hi\" with administrator privilegesX", false},
        {"display dialog \"hi\"", false},
        {"do shell script \"echo hi with administrator privileges", false},
        {"do shell script \"echo\\q\" with administrator privileges", false},
        {"do shell script \"echo\" & \"hi\" with administrator privileges", false},
        {"do shell script echo with administrator privileges", false},
    };
    for (const Case& c : cases) {
        const ToolRun run = runTool("osascript", {"-"}, c.script.toUtf8());
        EXPECT_EQ(run.status, c.accepted ? 0 : 1) << c.script.toStdString();
        EXPECT_EQ(run.output,
                  c.accepted ? QString("hi\n")
                             : "0:" + QString::number(c.script.trimmed().size()) +
                                   ": syntax error: Only \"do shell script ... with administrator privileges\" can be "
                                   "run here. (-2741)\n")
            << c.script.toStdString();
    }
    const ToolRun quoted =
        runTool("osascript", {"-e", R"(do shell script "printf '%s\\n' \"a\\\\b\"" with administrator privileges)"});
    EXPECT_EQ(quoted.output, "a\\b\n");
    qunsetenv("QUENLARK_ELEVATION");
}

TEST(Osascript, PrintsTheResultOrThePlatformsErrorLine) {
    qputenv("QUENLARK_ELEVATION", "unprivileged");
    const QByteArray ok = "do shell script \"printf 'a\\\\nb\\\\n'\" with administrator privileges";
    const ToolRun printed = runTool("osascript", {"-"}, ok);
    EXPECT_EQ(printed.status, 0);
    EXPECT_EQ(printed.output, "a\nb\n");

    const QByteArray failing = "do shell script \"echo oops >&2; exit 92\" with administrator privileges";
    const ToolRun failed = runTool("osascript", {"-"}, failing);
    EXPECT_EQ(failed.status, 1);
    EXPECT_EQ(failed.output, "0:" + QString::number(failing.size()) + ": execution error: oops (92)\n");

    const ToolRun silent = runTool("osascript", {"-e", "do shell script \"exit 3\" with administrator privileges"});
    EXPECT_TRUE(silent.output.endsWith(": execution error: The command exited with a non-zero status. (3)\n"));

    const ToolRun other = runTool("osascript", {"-e", "do shell script \"id\""});
    EXPECT_EQ(other.status, 1);
    EXPECT_TRUE(other.output.contains("(-2741)"));
    qunsetenv("QUENLARK_ELEVATION");
}
