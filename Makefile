# Velmor's two everyday commands. Both install what is missing first (as root, with apt-get).
.PHONY: deps test clean

deps:
	bash tools/deps.sh

test: deps
	bash tests/run-suites.sh

clean:
	rm -rf build
