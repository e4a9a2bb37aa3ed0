// The companion extension in the installed Firefox ESR.
import { companionTests } from './companion.mjs';

companionTests('firefox');
