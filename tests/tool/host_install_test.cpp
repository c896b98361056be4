// The package for hosts: this build tree installed into a temporary prefix,
// the host example built against it through find_package(vexarepos) and
// through pkg-config, and both it and the installed vexa-repo run on a copy
// of the sample repository.
#include "ToolFixture.h"
#include "repos/Version.h"

namespace vexa {
namespace test {
namespace {

void expectListsSample(const ToolRun& run, const std::string& what) {
    SCOPED_TRACE(what + ":\n" + run.out + run.err);
    EXPECT_EQ(0, run.status);
    EXPECT_NE(std::string::npos, run.out.find("Aurora 64\tdevice=Aurora 64 Wide\tport=TCPIP"));
    EXPECT_NE(std::string::npos, run.out.find("Borealis Épreuve 24\tdevice=Borealis 24 Épreuve"));
}

TEST_F(ToolTest, HostExampleBuildsAgainstAnInstalledCopyAndRuns) {
    const std::string prefix = m_dir.path() + "/prefix";
    for (const char* component : {"runtime", "development"}) {
        const ToolRun install =
            runProgram(VEXA_CMAKE_COMMAND, {"--install", VEXA_BINARY_DIR, "--prefix", prefix,
                                            "--component", component, "--strip"});
        ASSERT_EQ(0, install.status) << install.out << install.err;
    }
    const std::string lib = prefix + "/" + VEXA_INSTALL_LIBDIR;
    for (const std::string& file :
         {prefix + "/bin/vexa-repo", prefix + "/share/man/man1/vexa-repo.1",
          prefix + "/share/bash-completion/completions/vexa-repo",
          prefix + "/share/zsh/site-functions/_vexa-repo", lib + "/libvexarepos.so",
          lib + "/libvexarepos.so.0", lib + "/cmake/vexarepos/vexareposConfig.cmake",
          lib + "/pkgconfig/vexarepos.pc", prefix + "/include/vexa/repos/PrinterReader.h",
          prefix + "/include/vexa/kernel/VexKernel.h", prefix + "/include/vexa/engine/EngineInk.h",
          prefix + "/include/vexa/vfs/src/impl/CopyFilter.h"}) {
        EXPECT_TRUE(pathExists(file)) << file;
    }
    EXPECT_FALSE(pathExists(prefix + "/include/vexa/vfs/src/impl/local"));

    // The installed tool finds the installed library.
    const ToolRun listed = runProgram(prefix + "/bin/vexa-repo", {"--repo", repo(), "printers"});
    EXPECT_EQ(0, listed.status) << listed.err;
    EXPECT_NE(std::string::npos, listed.out.find(kBorealis));

    const std::string flags = VEXA_HOST_FLAGS;
    const std::string build = m_dir.path() + "/host";
    std::vector<std::string> configure = {"-S", VEXA_SOURCE_DIR "/examples/host", "-B", build};
    configure.push_back("-DCMAKE_PREFIX_PATH=" + prefix);
    configure.push_back("-DCMAKE_CXX_COMPILER=" VEXA_CXX_COMPILER);
    if (!flags.empty()) {
        configure.push_back("-DCMAKE_CXX_FLAGS=" + flags);
        configure.push_back("-DCMAKE_EXE_LINKER_FLAGS=" + flags);
    }
    ToolRun run = runProgram(VEXA_CMAKE_COMMAND, configure);
    ASSERT_EQ(0, run.status) << run.out << run.err;
    run = runProgram(VEXA_CMAKE_COMMAND, {"--build", build});
    ASSERT_EQ(0, run.status) << run.out << run.err;
    expectListsSample(runProgram(build + "/vexa-host", {}, {"", {"VEXA_INSTALL=" + repo()}}),
                      "find_package");

    const std::string pkgConfig = VEXA_PKG_CONFIG;
    if (pkgConfig.find("NOTFOUND") != std::string::npos) {
        return;  // no pkg-config on this machine; the CMake package is proven above
    }
    const ToolRun pc = runProgram(pkgConfig, {"--cflags", "--libs", "vexarepos"},
                                  {"", {"PKG_CONFIG_PATH=" + lib + "/pkgconfig"}});
    ASSERT_EQ(0, pc.status) << pc.err;
    std::vector<std::string> compile = wordsOf(flags + " " + pc.out);
    compile.insert(compile.begin(), {"-std=c++17", VEXA_SOURCE_DIR "/examples/host/main.cpp", "-o",
                                     build + "/vexa-host-pc"});
    run = runProgram(VEXA_CXX_COMPILER, compile);
    ASSERT_EQ(0, run.status) << run.out << run.err;
    // The .pc file's run path finds the library: no LD_LIBRARY_PATH.
    expectListsSample(runProgram(build + "/vexa-host-pc", {}, {"", {"VEXA_INSTALL=" + repo()}}),
                      "pkg-config");
    const ToolRun version = runProgram(pkgConfig, {"--modversion", "vexarepos"},
                                       {"", {"PKG_CONFIG_PATH=" + lib + "/pkgconfig"}});
    EXPECT_EQ(version.out, VEXA_REPOS_VERSION_STRING "\n");
    // A repository named by the host wins; a wrong one is refused with the reason.
    expectListsSample(runProgram(build + "/vexa-host-pc", {repo()}), "set by the host");
    const ToolRun wrong = runProgram(build + "/vexa-host-pc", {repo() + "/nowhere"});
    EXPECT_EQ(1, wrong.status);
    EXPECT_NE(std::string::npos, wrong.err.find("no repository in")) << wrong.err;
}

}  // namespace
}  // namespace test
}  // namespace vexa
