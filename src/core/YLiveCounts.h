// Live-instance counts of the main classes, reported in the log at exit.
#pragma once
#include <string>
#include <vector>

struct YLiveCounts {
    int complexObjects = 0;
    int objects = 0;
    int windows = 0;
    int scripts = 0;
    int vertexEffects = 0;
    int nodes = 0;
    // Live nodes by node type 0..10; other types are counted under "unknown".
    int nodesByType[11] = {};
    int nodesOfUnknownType = 0;
};

extern YLiveCounts g_live;

// Names of the objects still alive, for the leak report. Objects add and remove
// themselves; a name may appear more than once.
std::vector<std::string>& LiveObjectNames();

// Writes the leak report to the log at level 0.
void LogLeakReport();
