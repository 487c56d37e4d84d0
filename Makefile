# The two commands: `make run` and `make test`. Everything else is a step of them.
# `make doc` and `make release` make what operators receive (the guide and the
# installer); they need more packages (scripts/deps-doc.sh), which `make test`
# installs too, since it tests them.
.PHONY: all deps build run test clean deps-doc doc release test-release

all: build

deps:
	@scripts/deps.sh

build: deps
	@scripts/build.sh

# Builds only what it runs: quellor.exe for the machine (scripts/run.sh) and
# the simulated thermostat; no tests, no benchmarks.
run: deps
	@scripts/run.sh

test: deps deps-doc
	@scripts/test.sh

deps-doc: deps
	@scripts/deps-doc.sh

# build/guide/quellor.pdf, with pictures taken from the program under Wine.
doc: deps-doc
	@scripts/doc.sh

# dist/quellor-setup.exe and dist/quellor.zip: the i686 program and the guide.
release: doc
	@scripts/release.sh i686 dist

# The guide's pages and pictures, and the installer under Wine.
test-release: doc
	@scripts/test-release.sh

clean:
	rm -rf build dist
