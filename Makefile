# Two entry points for a fresh machine:
#   make demo   builds the zebi tool and replays every indicator over the sample bars
#   make test   installs what is missing, then builds and runs every test natively,
#               under AddressSanitizer/UndefinedBehaviorSanitizer, on Win32 and Win64
#               under Wine, checks the release bundle, runs each fuzzer for a few seconds
#               and the Python package's tests
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: demo docs test deps style native sanitize win32 win64 fuzz dist bench format clean python

# The demo needs only a compiler and CLI11: its own build without tests or benchmarks.
demo:
	scripts/install-deps.sh demo
	cmake -S . -B build/demo -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZEB_BUILD_TESTS=OFF \
	  -DZEB_BUILD_BENCH=OFF
	cmake --build build/demo -j $(JOBS) --target zebi
	build/demo/tools/zebi/zebi demo --charts build/demo-charts

docs:
	cmake -S . -B build/native -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build build/native -j $(JOBS) --target indicator-docs

test: deps
	scripts/test.sh

deps:
	scripts/install-deps.sh

style native sanitize win32 win64 fuzz:
	scripts/test.sh $@

# The release bundle dist/ZEBIndicators-VERSION.zip, checked after it is written.
dist: deps
	scripts/dist.sh

# The Python package zebindicators, built and installed into .venv/.
python:
	scripts/install-deps.sh python
	scripts/python-install.sh

# The benchmarks behind the floor table in docs/performance.md, each in
# processes of its own; the table is written anew from their output.
bench:
	JOBS=$(JOBS) scripts/bench.sh

format:
	git ls-files '*.c' '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build dist
