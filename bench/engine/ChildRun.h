#pragma once

// Runs a program to its end and reads what it cost from wait4(): CPU time
// (user + system, all its threads) and voluntary context switches (each
// time a thread went to sleep). Per-round ratios against a baseline run
// back to back, first one side then the other, so that a busy spell on the
// shared machine falls on both.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

struct ChildCost
{
    bool ok = false;
    double cpu = 0;      // seconds
    double switches = 0; // voluntary context switches
};

using Command = std::vector<std::string>;

// Runs `argv` with the extra environment entries, output thrown away.
inline ChildCost runChild(const Command &argv, const Command &env = {})
{
    std::fflush(nullptr); // or the child writes what is buffered again
    const pid_t pid = fork();
    if (pid == 0) {
        for (const std::string &e : env)
            putenv(strdup(e.c_str()));
        std::freopen("/dev/null", "w", stdout);
        std::freopen("/dev/null", "w", stderr);
        std::vector<char *> args;
        for (const std::string &a : argv)
            args.push_back(const_cast<char *>(a.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    int status = 0;
    struct rusage ru
    {};
    if (pid < 0 || wait4(pid, &status, 0, &ru) < 0 || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0)
        return {};
    ChildCost c;
    c.ok = true;
    c.cpu = double(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
            double(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
    c.switches = double(ru.ru_nvcsw);
    return c;
}

struct Side
{
    Command argv;
    Command env;
};

// Per-round costs of both sides; empty when a run failed.
struct PairedCosts
{
    std::vector<ChildCost> player, tool;
};

inline PairedCosts pairedCosts(int rounds, const Side &player, const Side &tool)
{
    PairedCosts p;
    for (int i = 0; i < rounds; ++i) {
        ChildCost a, b;
        if (i % 2) {
            b = runChild(tool.argv, tool.env);
            a = runChild(player.argv, player.env);
        } else {
            a = runChild(player.argv, player.env);
            b = runChild(tool.argv, tool.env);
        }
        if (!a.ok || !b.ok)
            return {};
        p.player.push_back(a);
        p.tool.push_back(b);
    }
    return p;
}

inline double medianOf(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n == 0 ? 0 : n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// "label: median RATIO [min-max] over N rounds (player M, tool T)"
template <class Field>
void reportRatio(const char *label, const PairedCosts &p, Field field)
{
    std::vector<double> ratios, a, b;
    for (size_t i = 0; i < p.player.size(); ++i) {
        a.push_back(field(p.player[i]));
        b.push_back(field(p.tool[i]));
        ratios.push_back(b.back() > 0 ? a.back() / b.back() : 0);
    }
    if (ratios.empty())
        return;
    const auto [lo, hi] = std::minmax_element(ratios.begin(), ratios.end());
    std::printf("%s: median %.2f [%.2f-%.2f] over %zu rounds (medians %.4g vs %.4g)\n", label,
                medianOf(ratios), *lo, *hi, ratios.size(), medianOf(a), medianOf(b));
}
