# The two commands: `make run` and `make test`. Everything else is a step of them.
.PHONY: all deps build run test clean

all: build

deps:
	@scripts/deps.sh

build: deps
	@scripts/build.sh

run: build
	@scripts/run.sh

test: deps
	@scripts/test.sh

clean:
	rm -rf build
