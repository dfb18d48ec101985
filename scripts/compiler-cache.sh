# Sourced by the build scripts: where ccache is installed, every build goes through it, so a
# rebuild in a fresh clone (CI, a second checkout) reuses what an earlier build compiled. Paths
# are made relative to the clone, so the cache serves any folder the project is cloned into.
# Sets `cache_flags`, the extra arguments for `cmake -S . -B DIR`.
cache_flags=()
if command -v ccache >/dev/null; then
  CCACHE_BASEDIR=$(pwd -P)
  export CCACHE_BASEDIR
  export CCACHE_NOHASHDIR=1
  cache_flags=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
