# The two commands of the README: `make run` and `make test`; `make package` builds the .deb.
BUILD ?= build
BUILD_TYPE ?= RelWithDebInfo
CMAKE_FLAGS ?=
JOBS ?= $(shell nproc)

.PHONY: run test build configure deps format bench package clean

run: build
	$(BUILD)/ledra

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

configure: deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_FLAGS)

deps:
	scripts/install-deps.sh

format:
	cmake --build $(BUILD) --target format

package: build
	cd $(BUILD) && cpack -G DEB

bench: configure
	cmake --build $(BUILD) --target benchmarks -j $(JOBS)

clean:
	rm -rf $(BUILD)
