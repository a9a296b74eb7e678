#pragma once

namespace velkaro::database {

// The vector paths (SSE2, AVX2) and the plain ones beside them give the same answers. Processors without those
// instructions take only the plain ones; tests turn the vector paths off to run the same cases on them.
bool vectorPathsAllowed();
void allowVectorPaths(bool allowed);

} // namespace velkaro::database
