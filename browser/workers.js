// Where the workers are installed, which the default entries name; an install writes this
// file anew with its own folder.
'use strict';

const WORKER_DIR = '/usr/local/bin';
