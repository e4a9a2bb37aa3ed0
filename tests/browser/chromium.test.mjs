// The companion extension in the installed Chromium.
import { companionTests } from './companion.mjs';

companionTests('chromium');
