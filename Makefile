# make        builds dist/Tallyfold.wfx64, dist/Tallyfold.wfx and the command-line hosts
# make release  builds, then packs dist/Tallyfold-<version>.zip, the archive the file manager
#               installs from
# make test   builds the release, then runs every test of both builds under Wine, every test once
#             more from builds with the stack protector, under Wine's heap checking, and the
#             release archive's test
# make demo   builds, then shows the plugin at work on a sample folder
# Each target first installs what is missing (scripts/setup).
.PHONY: all setup build build-ssp release test demo bench clean

all: build

setup:
	@bash scripts/setup

build/%/build.ninja: | setup
	cmake -S . -B build/$* -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-$(if $(filter x64,$*),x86_64,i686).cmake $(CMAKE_ARGS)

build: setup build/x64/build.ninja build/x86/build.ninja
	cmake --build build/x64
	cmake --build build/x86

# The checked builds: stack protector on, their own modules and hosts under build/*-ssp/dist.
build/%-ssp/build.ninja: | setup
	cmake -S . -B build/$*-ssp -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-$(if $(filter x64,$*),x86_64,i686).cmake \
	  -DTALLYFOLD_STACK_PROTECTOR=ON -DTALLYFOLD_DIST="$(CURDIR)/build/$*-ssp/dist" $(CMAKE_ARGS)

build-ssp: build/x64-ssp/build.ninja build/x86-ssp/build.ninja
	cmake --build build/x64-ssp
	cmake --build build/x86-ssp

release: build
	python3 scripts/release

test: release build-ssp
	bash scripts/test

demo: build
	bash scripts/demo

clean:
	rm -rf build dist

bench: build
	bash scripts/bench
